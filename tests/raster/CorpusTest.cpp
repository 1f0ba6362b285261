#include "Exceptions.h"
#include "Oracle.h"
#include "SharedData.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

enum class Decoded { Colour, Gray, Cmyk };

// What the library makes of each real file: an error code when the header is
// read, or an error code when decoding, or the decoded size and kind.
struct CorpusFile {
    const char* name;
    int loadCode;   // 0: the header reads
    int decodeCode; // 0: decodes (warnings ignored)
    int width, height;
    Decoded kind;
};

const CorpusFile kCorpus[] = {
    {"baseline-420-ijg.jpg", 0, 0, 227, 149, Decoded::Colour},
    {"arith-420.jpg", 0, 0, 227, 149, Decoded::Colour},
    {"peacock-420.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"peacock-444.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"peacock-422.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"peacock-1x3.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"peacock-mixed-sampling.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"peacock-progressive.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"truncated-baseline.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"truncated-progressive.jpg", 0, 0, 100, 75, Decoded::Colour},
    {"ycc-444-adobe.jpg", 0, 0, 100, 100, Decoded::Colour},
    {"camera-nokia-422.jpg", 0, 0, 640, 480, Decoded::Colour},
    {"rgb-1x1.jpg", 0, 0, 1, 1, Decoded::Colour},
    {"restart-interval.jpg", 0, 0, 33, 33, Decoded::Colour},
    {"rgb-colorspace.jpg", 0, 0, 500, 333, Decoded::Colour},
    {"extraneous-before-eoi.jpg", 0, 0, 16, 16, Decoded::Colour},
    {"scanner-bad-restarts.jpg", 0, 0, 1744, 2464, Decoded::Colour},
    {"tall-193x31423.jpg", 0, 0, 193, 31423, Decoded::Colour},
    {"photo-canon-orient6.jpg", 0, 0, 2048, 1536, Decoded::Colour},
    {"photo-jolla-8mp.jpg", 0, 0, 3264, 2448, Decoded::Colour},
    {"photo-olympus-corrupt.jpg", 0, 0, 3648, 2736, Decoded::Colour},
    {"ycck-adobe.jpg", 0, 0, 100, 100, Decoded::Cmyk},
    {"cmyk-adobe.jpg", 0, 0, 32, 32, Decoded::Cmyk},
    {"cmyk-adobe-text.jpg", 0, 0, 256, 256, Decoded::Cmyk},
    {"peacock-gray.jpg", 0, 0, 100, 75, Decoded::Gray},
    {"gray-1x1000.jpg", 0, 0, 1, 1000, Decoded::Gray},
    {"gray-1000x1.jpg", 0, 0, 1000, 1, Decoded::Gray},
    {"gray-sampling-2x2.jpg", 0, 0, 16, 24, Decoded::Gray},
    {"progressive-missing-dc.jpg", 0, 0, 8, 8, Decoded::Gray},
    {"corrupt-huffman-gray-prog.jpg", 0, 0, 325, 407, Decoded::Gray},
    // Refused when the header is read.
    {"png-named-jpg.jpg", 53, 0, 0, 0, Decoded::Colour},    // JERR_NO_SOI
    {"precision-12bit.jpg", 15, 0, 0, 0, Decoded::Colour},  // JERR_BAD_PRECISION
    {"huge-65535.jpg", 41, 0, 0, 0, Decoded::Colour},       // JERR_IMAGE_TOO_BIG
    {"zero-height.jpg", 32, 0, 0, 0, Decoded::Colour},      // JERR_EMPTY_IMAGE
    {"no-sos.jpg", 59, 0, 0, 0, Decoded::Colour},           // JERR_SOF_NO_SOS
    {"lossless-sof3.jpg", 60, 0, 0, 0, Decoded::Colour},    // JERR_SOF_UNSUPPORTED
    {"bad-dht.jpg", 8, 0, 0, 0, Decoded::Colour},           // JERR_BAD_HUFF_TABLE
    {"no-sof.jpg", 51, 0, 0, 0, Decoded::Colour},           // JERR_NO_IMAGE
    // Loads, refused when decoded.
    {"empty.jpg", 0, 42, 0, 0, Decoded::Colour},            // JERR_INPUT_EMPTY
    {"bomb-49157x27397.jpg", 0, 41, 49157, 27397, Decoded::Colour}, // by the pixel cap below
};

// Large enough for any photo of the program, far below the bomb's 1.35 Gpx.
constexpr std::int64_t kPixelCap = 100'000'000;

std::string Describe(TColor got, const uchar* want) {
    char text[80];
    std::snprintf(text, sizeof text, "got %06X want R%d G%d B%d", static_cast<unsigned>(got), want[0], want[1], want[2]);
    return text;
}

// Every pixel of a 24-bit bitmap against a djpeg -ppm picture.
void ExpectSamePixels(const TBitmap& bitmap, const QImage& oracle) {
    ASSERT_EQ(oracle.width(), bitmap.Width());
    ASSERT_EQ(oracle.height(), bitmap.Height());
    const QImage& ours = bitmap.Image();
    ASSERT_EQ(ours.format(), QImage::Format_RGB888);
    const auto rowBytes = static_cast<size_t>(ours.width()) * 3;
    for (int y = 0; y < ours.height(); ++y) {
        if (std::memcmp(ours.constScanLine(y), oracle.constScanLine(y), rowBytes) == 0)
            continue;
        for (int x = 0; x < ours.width(); ++x) {
            const uchar* want = oracle.constScanLine(y) + 3 * x;
            ASSERT_EQ(bitmap.GetPixel(x, y), RGB(want[0], want[1], want[2]))
                << "first difference at " << x << "," << y << ": " << Describe(bitmap.GetPixel(x, y), want);
        }
    }
}

// Palette and indices of an 8-bit bitmap against a djpeg -colors 236 -bmp picture.
void ExpectSameIndexedPixels(const TBitmap& bitmap, const IndexedPicture& oracle) {
    const QImage& ours = bitmap.Image();
    ASSERT_EQ(ours.format(), QImage::Format_Indexed8);
    ASSERT_EQ(oracle.width, ours.width());
    ASSERT_EQ(oracle.height, ours.height());
    ASSERT_EQ(ours.colorCount(), 236);
    ASSERT_GE(oracle.palette.size(), 236u);
    for (int i = 0; i < 236; ++i)
        ASSERT_EQ(ours.color(i) & 0xFFFFFFu, oracle.palette[static_cast<size_t>(i)]) << "palette entry " << i;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            ASSERT_EQ(ours.constScanLine(y)[x], oracle.indices[static_cast<size_t>(y) * static_cast<size_t>(oracle.width) + static_cast<size_t>(x)])
                << "index at " << x << "," << y;
}

} // namespace

TEST(JpegCorpus, BadFilesRaiseTheLibraryCode) {
    REQUIRE_SHARED_JPEG(SharedJpegDir());
    for (const auto& f : kCorpus) {
        if (f.loadCode == 0 && f.decodeCode == 0)
            continue;
        SCOPED_TRACE(f.name);
        TJPEGImage jpeg;
        jpeg.MaxPixels = kPixelCap;
        try {
            jpeg.LoadFromFile(SharedJpeg(QString::fromLatin1(f.name)));
            EXPECT_EQ(f.loadCode, 0) << "the header must be refused";
            EXPECT_EQ(jpeg.Width(), f.width);
            EXPECT_EQ(jpeg.Height(), f.height);
            TBitmap bitmap;
            jpeg.AssignTo(bitmap);
            ADD_FAILURE() << "decoding must be refused";
        } catch (const EJPEG& e) {
            const int want = f.loadCode != 0 ? f.loadCode : f.decodeCode;
            EXPECT_EQ(e.Code(), want);
            EXPECT_EQ(e.Message(), "JPEG エラー #" + std::to_string(want));
        }
    }
}

TEST(JpegCorpus, BombIsRefusedOnlyByThePixelCap) {
    // Without the cap the library would allocate gigabytes; so only the header
    // is checked here.
    const QString path = SharedJpeg(QStringLiteral("bomb-49157x27397.jpg"));
    REQUIRE_SHARED_JPEG(path);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    EXPECT_TRUE(jpeg.ProgressiveEncoding);
    EXPECT_EQ(jpeg.Width(), 49157);
    jpeg.MaxPixels = std::int64_t{49157} * 27397 - 1;
    TBitmap bitmap;
    try {
        jpeg.AssignTo(bitmap);
        FAIL();
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), 41);
    }
    EXPECT_TRUE(bitmap.Empty());
}

TEST(JpegCorpus, DecodesExactlyAsTheReferenceDecoder) {
    REQUIRE_SHARED_JPEG(SharedJpegDir());
    const QString djpeg = FindTool(QStringLiteral("djpeg"));
    TempDir dir;
    for (const auto& f : kCorpus) {
        if (f.loadCode != 0 || f.decodeCode != 0)
            continue;
        SCOPED_TRACE(f.name);
        const QString path = SharedJpeg(QString::fromLatin1(f.name));
        TJPEGImage jpeg;
        jpeg.MaxPixels = kPixelCap;
        jpeg.LoadFromFile(path);
        EXPECT_EQ(jpeg.Width(), f.width);
        EXPECT_EQ(jpeg.Height(), f.height);
        EXPECT_EQ(jpeg.Grayscale(), f.kind == Decoded::Gray);
        TBitmap bitmap;
        ASSERT_NO_THROW(jpeg.AssignTo(bitmap));
        ASSERT_EQ(bitmap.Width(), f.width);
        ASSERT_EQ(bitmap.Height(), f.height);
        EXPECT_EQ(bitmap.PixelFormat(), f.kind == Decoded::Gray ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
        if (djpeg.isEmpty())
            continue;
        // djpeg exits with 2 when it met warnings and still wrote the picture.
        const QString out = dir.File(QStringLiteral("oracle"));
        if (f.kind == Decoded::Gray) {
            ASSERT_TRUE(RunTool(djpeg, {"-colors", "236", "-dither", "fs", "-bmp", "-outfile", out, path}, {0, 2}));
            IndexedPicture oracle;
            ASSERT_TRUE(ReadBmp8(out, &oracle));
            ExpectSameIndexedPixels(bitmap, oracle);
        } else {
            // For four-component files djpeg's PPM writer converts CMYK to RGB.
            ASSERT_TRUE(RunTool(djpeg, {"-ppm", "-outfile", out, path}, {0, 2}));
            ExpectSamePixels(bitmap, ReadPpm(out));
        }
    }
    if (djpeg.isEmpty())
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed: sizes checked, pixels not compared";
}
