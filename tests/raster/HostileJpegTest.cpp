#include "HostileJpeg.h"

#include "Exceptions.h"
#include "JpegCodec.h"
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TJPEGImage.h"

#include <cstring>
#include <gtest/gtest.h>
#include <jerror.h>
#include <optional>

namespace {

// Decodes as the opening road does, or through the grey path; the library's
// code when decoding is refused.
std::optional<int> DecodeFails(const QByteArray& bytes, bool grey, std::int64_t maxPixels = 0,
                               QSize* decoded = nullptr, QImage* pixels = nullptr) {
    TJPEGImage jpeg;
    jpeg.GrayscaleParam = grey;
    jpeg.MaxPixels = maxPixels;
    jpeg.LoadFromBytes(bytes);
    TBitmap bitmap;
    try {
        jpeg.AssignTo(bitmap);
    } catch (const EJPEG& e) {
        return e.Code();
    }
    if (decoded)
        *decoded = QSize(bitmap.Width(), bitmap.Height());
    if (pixels)
        *pixels = bitmap.Image();
    return std::nullopt;
}

} // namespace

// Every scan is a pass over the whole picture: a file that starts more scans
// than the limit is refused, whether its scans refine the picture or repeat.
TEST(HostileJpeg, ScansPastTheLimitAreRefused) {
    const QImage pattern = JpegTestPattern(48, 32);
    const QByteArray progressive = MakeJpeg(pattern, {.progressive = true});
    const struct {
        const char* name;
        QByteArray bytes;
        bool refused;
    } cases[] = {
        {"the limit", ManyScanJpeg(pattern, JpegScanLimit), false},
        {"one past the limit", ManyScanJpeg(pattern, JpegScanLimit + 1), true},
        {"every coefficient bit by bit", ManyScanJpeg(pattern, ManyScanLimit), true},
        {"the last scan repeated up to the limit", RepeatLastScan(progressive, JpegScanLimit), false},
        {"the last scan repeated thousands of times", RepeatLastScan(progressive, 5000), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(CountScans(c.bytes), 0);
        EXPECT_EQ(CountScans(c.bytes) > JpegScanLimit, c.refused) << CountScans(c.bytes);
        for (const bool grey : {false, true}) {
            SCOPED_TRACE(grey ? "grey" : "colour");
            QSize decoded;
            const std::optional<int> failure = DecodeFails(c.bytes, grey, 0, &decoded);
            if (c.refused) {
                EXPECT_EQ(failure, JERR_BAD_SCAN_SCRIPT);
            } else {
                EXPECT_EQ(failure, std::nullopt);
                EXPECT_EQ(decoded, pattern.size());
            }
        }
    }
}

// Large pictures may have fewer scans, so that no file makes the decoder go
// over many megapixels hundreds of times; yet always more than the scans
// encoders write for a progressive photo.
TEST(HostileJpeg, LargerPicturesMayHaveFewerScans) {
    const struct {
        std::int64_t pixels;
        int limit;
    } cases[] = {
        {1, JpegScanLimit},
        {1000 * 1000, JpegScanLimit},
        {2000 * 1500, 166},
        {4000 * 3000, 41},                  // a 12-megapixel photo
        {6000 * 4000, JpegMinScanLimit},    // 24 megapixels
        {16320 * 12240, JpegMinScanLimit},  // 200 megapixels
        {500'000'000, JpegMinScanLimit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegScanLimitFor(c.pixels), c.limit) << c.pixels;
    EXPECT_GE(JpegMinScanLimit, 10) << "a colour photo of libjpeg's simple progression";
}

// A few hundred bytes may declare any size, which the library would pad out.
// Past the pixel cap the picture is refused before the decoder allocates;
// a large picture whose data ends within the first rows of its first scan is
// refused as soon as the data ends; small pictures are padded.
TEST(HostileJpeg, AFileMuchSmallerThanItsDeclaredPictureIsRefused) {
    const QByteArray baseline = MakeJpeg(JpegTestPattern(16, 16));
    const QByteArray progressive = MakeJpeg(JpegTestPattern(16, 16), {.progressive = true});
    const QByteArray grey = MakeJpeg(JpegTestPattern(16, 16), {.grayscale = true});
    constexpr std::int64_t Cap = std::int64_t{16384} * 16384;
    const struct {
        const char* name;
        QByteArray bytes;
        QSize declared;
        std::optional<int> failure;
    } cases[] = {
        {"baseline at the padding limit", baseline, {4096, 4096}, std::nullopt},
        {"progressive at the padding limit", progressive, {2048, 8192}, std::nullopt},
        {"baseline one row past it", baseline, {4096, 4097}, JERR_INPUT_EOF},
        {"grey, 22000 x 8000", grey, {22000, 8000}, JERR_INPUT_EOF},
        {"progressive, 14000 x 14000", progressive, {14000, 14000}, JERR_INPUT_EOF},
        {"baseline past the cap", baseline, {22000, 22000}, JERR_IMAGE_TOO_BIG},
        {"progressive, 65500 x 65500", progressive, {65500, 65500}, JERR_IMAGE_TOO_BIG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = WithDeclaredSize(c.bytes, c.declared.width(), c.declared.height());
        ASSERT_LT(bytes.size(), 2000);
        QSize decoded;
        EXPECT_EQ(DecodeFails(bytes, false, Cap, &decoded), c.failure);
        if (!c.failure) {
            EXPECT_EQ(decoded, c.declared);
        }
    }
}

// A photo larger than the padding limit opens padded when its data reaches
// past the first rows of its first scan, and is refused when it ends sooner.
TEST(HostileJpeg, ALargePhotoCutAfterItsFirstTenthStillOpens) {
    const QImage pattern = JpegTestPattern(4800, 3600); // 17 megapixels
    const QByteArray baseline = MakeJpeg(pattern, {.quality = 75});
    const QByteArray progressive = MakeJpeg(pattern, {.quality = 75, .progressive = true});
    const struct {
        const char* name;
        QByteArray bytes;
        double keep;
        std::optional<int> failure;
    } cases[] = {
        {"baseline, whole", baseline, 1.0, std::nullopt},
        {"baseline cut at 10 %", baseline, 0.10, std::nullopt},
        {"baseline cut at 5 %", baseline, 0.05, std::nullopt},
        {"baseline cut at 1 %", baseline, 0.01, JERR_INPUT_EOF},
        {"progressive cut at 10 %", progressive, 0.10, std::nullopt},
        {"progressive cut at 0.5 %", progressive, 0.005, JERR_INPUT_EOF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QSize decoded;
        const QByteArray bytes = c.bytes.left(static_cast<qsizetype>(static_cast<double>(c.bytes.size()) * c.keep));
        EXPECT_EQ(DecodeFails(bytes, false, 0, &decoded), c.failure);
        if (!c.failure) {
            EXPECT_EQ(decoded, pattern.size());
        }
    }
}

// One damaged byte in the coded data reads as a marker. In a photo with
// restart markers the library skips to the next one and decodes on, so only
// the rows of that stretch suffer, however early the damage comes: that is no
// end of the data. A bad marker after which no restart marker comes, or one
// in a photo without restart markers (nothing after it is read), still ends
// the data.
TEST(HostileJpeg, ADamagedByteEarlyInALargePhotoWithRestartMarkersCostsOnlyItsRows) {
    const QImage pattern = JpegTestPattern(4800, 3600); // 17 megapixels
    const QByteArray restarts = RestartJpeg(pattern, true);
    const QByteArray plain = RestartJpeg(pattern, false);
    QImage intact;
    ASSERT_EQ(DecodeFails(restarts, false, 0, nullptr, &intact), std::nullopt);
    const struct {
        const char* name;
        const QByteArray& bytes;
        double at;
        unsigned char marker;
        qsizetype keepAfter; // > 0: the file cut this many bytes after the damage
        std::optional<int> failure;
    } cases[] = {
        {"FF 00 made FF 4F at 0.5 %", restarts, 0.005, 0x4F, 0, std::nullopt},
        {"FF 00 made FF 01 at 1.5 %", restarts, 0.015, 0x01, 0, std::nullopt},
        {"FF 00 made FF BF at 0.1 %", restarts, 0.001, 0xBF, 0, std::nullopt},
        {"made FF 4F, then cut before the next restart marker", restarts, 0.005, 0x4F, 64, JERR_INPUT_EOF},
        {"made FF 4F in a photo without restart markers", plain, 0.005, 0x4F, 0, JERR_INPUT_EOF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qsizetype offset = 0;
        QByteArray bytes = WithStuffedByteDamaged(c.bytes, c.at, c.marker, &offset);
        if (c.keepAfter > 0)
            bytes.truncate(offset + c.keepAfter);
        QImage decoded;
        const std::optional<int> failure = DecodeFails(bytes, false, 0, nullptr, &decoded);
        EXPECT_EQ(failure, c.failure);
        if (failure || c.failure)
            continue;
        ASSERT_EQ(decoded.size(), pattern.size());
        // One row of MCUs (16 rows) and the row either side of it that its
        // colours are smoothed into.
        int first = -1, last = -1;
        for (int y = 0; y < decoded.height(); ++y) {
            if (std::memcmp(decoded.constScanLine(y), intact.constScanLine(y), static_cast<size_t>(3 * decoded.width())) == 0)
                continue;
            if (first < 0)
                first = y;
            last = y;
        }
        EXPECT_GE(first, 0) << "the damage shows";
        EXPECT_LE(last - first + 1, 18) << "rows " << first << " to " << last;
    }
}
