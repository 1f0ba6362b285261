#include "HostileJpeg.h"

#include "Exceptions.h"
#include "JpegCodec.h"
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TJPEGImage.h"

#include <gtest/gtest.h>
#include <jerror.h>
#include <optional>

namespace {

// Decodes as the opening road does, or through the grey path; the library's
// code when decoding is refused.
std::optional<int> DecodeFails(const QByteArray& bytes, bool grey, std::int64_t maxPixels = 0,
                               QSize* decoded = nullptr) {
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
        {4000 * 3000, JpegScanLimit},       // a 12-megapixel photo
        {6000 * 4000, JpegScanLimit / 2},   // 24 megapixels
        {20000 * 20000, JpegMinScanLimit},  // 400 megapixels
        {500'000'000, JpegMinScanLimit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegScanLimitFor(c.pixels), c.limit) << c.pixels;
    EXPECT_GE(JpegMinScanLimit, 10) << "a colour photo of libjpeg's simple progression";
}

// A few hundred bytes may declare any size; the decoder pads what is missing.
// Past the pixel cap the picture is refused before the decoder allocates.
TEST(HostileJpeg, ADeclaredSizeIsDecodedOnlyWithinThePixelCap) {
    const QByteArray baseline = MakeJpeg(JpegTestPattern(16, 16));
    const QByteArray progressive = MakeJpeg(JpegTestPattern(16, 16), {.progressive = true});
    constexpr std::int64_t Cap = 4000 * 3000;
    const struct {
        const char* name;
        QByteArray bytes;
        QSize declared;
        bool refused;
    } cases[] = {
        {"baseline at the cap", baseline, {4000, 3000}, false},
        {"progressive at the cap", progressive, {3000, 4000}, false},
        {"one row past the cap", baseline, {4000, 3001}, true},
        {"progressive, 1.8 gigapixels", progressive, {60000, 30000}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = WithDeclaredSize(c.bytes, c.declared.width(), c.declared.height());
        ASSERT_LT(bytes.size(), 2000);
        QSize decoded;
        const std::optional<int> failure = DecodeFails(bytes, false, Cap, &decoded);
        if (c.refused) {
            EXPECT_EQ(failure, JERR_IMAGE_TOO_BIG);
        } else {
            EXPECT_EQ(failure, std::nullopt);
            EXPECT_EQ(decoded, c.declared);
        }
    }
}
