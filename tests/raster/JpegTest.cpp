#include "Exceptions.h"
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TJPEGImage.h"
#include "TempDir.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The mean channel difference between a bitmap and an image of the same size.
double MeanDifference(const TBitmap& bitmap, const QImage& image) {
    long total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = image.pixel(x, y);
            const TColor got = bitmap.GetPixel(x, y);
            total += std::abs(GetRValue(got) - qRed(want)) + std::abs(GetGValue(got) - qGreen(want)) +
                     std::abs(GetBValue(got) - qBlue(want));
        }
    return static_cast<double>(total) / (3.0 * image.width() * image.height());
}

template <class E, class F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

} // namespace

TEST(Jpeg, NewPictureCopiesTheDefaults) {
    TJPEGImage jpeg;
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_EQ(jpeg.CompressionQuality, 90);
    EXPECT_FALSE(jpeg.GrayscaleParam);
    EXPECT_EQ(jpeg.Performance, TJPEGPerformance::jpBestQuality);
    EXPECT_EQ(jpeg.PixelFormat, TJPEGPixelFormat::jf24Bit);
    EXPECT_FALSE(jpeg.ProgressiveEncoding);
    EXPECT_EQ(jpeg.Scale, 1);
    EXPECT_TRUE(jpeg.Smoothing);
}

TEST(Jpeg, LoadReadsTheHeaderOnlyAndDecodesOnDemand) {
    struct Case {
        const char* name;
        JpegFixtureOptions options;
        bool grayscale;
        TPixelFormat format;
    } const cases[] = {
        {"colour baseline", {}, false, TPixelFormat::pf24bit},
        {"colour progressive", {90, false, true, 0}, false, TPixelFormat::pf24bit},
        {"grey", {90, true, false, 0}, true, TPixelFormat::pf8bit},
    };
    TempDir dir;
    const QImage pattern = JpegTestPattern(37, 21);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.File(QStringLiteral("a.jpg"));
        WriteFileBytes(path, MakeJpeg(pattern, c.options));
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        EXPECT_EQ(jpeg.Width(), 37);
        EXPECT_EQ(jpeg.Height(), 21);
        EXPECT_EQ(jpeg.Grayscale(), c.grayscale);
        EXPECT_EQ(jpeg.ProgressiveEncoding, c.options.progressive);
        EXPECT_EQ(jpeg.Data(), ReadFileBytes(path));
        TBitmap bitmap;
        jpeg.AssignTo(bitmap);
        ASSERT_EQ(bitmap.Width(), 37);
        ASSERT_EQ(bitmap.Height(), 21);
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        if (!c.grayscale) {
            EXPECT_LT(MeanDifference(bitmap, pattern), 10.0); // chroma is subsampled at the checker edges
        } else {
            EXPECT_EQ(bitmap.Image().colorCount(), 236);
            for (int i = 0; i < 236; ++i) // evenly spaced greys
                ASSERT_EQ(bitmap.Image().color(i), qRgb((i * 255 + 117) / 235, (i * 255 + 117) / 235, (i * 255 + 117) / 235)) << i;
        }
        // A second request reuses the decoded bitmap (shared pixels).
        TBitmap again;
        jpeg.AssignTo(again);
        EXPECT_EQ(again.Image().constBits(), bitmap.Image().constBits());
    }
}

TEST(Jpeg, GrayscalePictureStoresANearestGreyForARedPixel) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(MakeJpeg(JpegTestPattern(16, 16), {90, true, false, 0}));
    TBitmap bitmap;
    jpeg.AssignTo(bitmap);
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    const TColor before = bitmap.GetPixel(3, 4);
    bitmap.SetPixel(3, 4, clRed);
    // (255, 0, 0) is nearest to the grey 85 (squared distance 3 (g - 85)^2 + ... minimal at g = 85).
    const TColor stored = bitmap.GetPixel(3, 4);
    EXPECT_EQ(GetRValue(stored), GetGValue(stored));
    EXPECT_EQ(GetGValue(stored), GetBValue(stored));
    EXPECT_NEAR(GetRValue(stored), 85, 1);
    ASSERT_NE(before, stored);
    TBitmap fresh; // the picture's own bitmap is untouched
    jpeg.AssignTo(fresh);
    EXPECT_EQ(fresh.GetPixel(3, 4), before);
}

TEST(Jpeg, EmptyFileLoadsButDoesNotDecode) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("empty.jpg"));
    WriteFileBytes(path, {});
    TJPEGImage jpeg;
    ASSERT_NO_THROW(jpeg.LoadFromFile(path));
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_EQ(jpeg.Width(), 0);
    TBitmap bitmap;
    try {
        jpeg.AssignTo(bitmap);
        FAIL() << "decoding nothing must fail";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), 42);
        EXPECT_EQ(e.Message(), "JPEG エラー #42");
    }
}

TEST(Jpeg, FilesThatCannotBeOpened) {
    TempDir dir;
    for (const QString& path : {dir.File(QStringLiteral("missing.jpg")), dir.Path()}) {
        TJPEGImage jpeg;
        EXPECT_EQ(MessageOf<EFOpenError>([&] { jpeg.LoadFromFile(path); }),
                  "ファイル " + path.toStdString() + " は開けません");
    }
}

TEST(Jpeg, EncodesABitmapAsBaselineAtQuality90) {
    TBitmap bitmap;
    bitmap.SetImage(JpegTestPattern(600, 450));
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    EXPECT_TRUE(jpeg.Data().isEmpty());
    TempDir dir;
    const QString path = dir.File(QStringLiteral("out.jpg"));
    jpeg.SaveToFile(path);
    const QByteArray bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 1000);
    EXPECT_TRUE(bytes.startsWith("\xFF\xD8"));
    EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC0", 2))) << "baseline SOF0";
    EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC2", 2)));
    TJPEGImage back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 600);
    EXPECT_EQ(back.Height(), 450);
    TBitmap decoded;
    back.AssignTo(decoded);
    EXPECT_LT(MeanDifference(decoded, bitmap.Image()), 10.0); // chroma is subsampled at the checker edges
}

TEST(Jpeg, AssignDropsLoadedDataAndTakesASharedCopy) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(MakeJpeg(JpegTestPattern(8, 8)));
    TBitmap bitmap;
    bitmap.SetImage(JpegTestPattern(5, 3));
    jpeg.Assign(bitmap);
    EXPECT_TRUE(jpeg.Data().isEmpty());
    EXPECT_EQ(jpeg.Width(), 5);
    bitmap.SetPixel(0, 0, clRed); // later changes do not reach the picture
    TBitmap out;
    jpeg.AssignTo(out);
    EXPECT_EQ(out.GetPixel(0, 0), RGB(0, 0, 200));
}

TEST(Jpeg, DataCutShortDecodesWithoutError) {
    // Cut inside the entropy-coded data: the library pads the rest with a warning.
    const QByteArray whole = MakeJpeg(JpegTestPattern(64, 48));
    const qsizetype data = whole.indexOf("\xFF\xDA") + 14; // after the scan header
    ASSERT_GT(data, 14);
    for (const int percent : {1, 50, 95}) {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(whole.left(data + (whole.size() - data) * percent / 100));
        TBitmap bitmap;
        ASSERT_NO_THROW(jpeg.AssignTo(bitmap)) << percent;
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 48);
    }
}

TEST(Jpeg, CodingParametersChangeTheDecodedFormat) {
    // The program never changes them, but the picture honours them.
    struct Case {
        const char* name;
        std::function<void(TJPEGImage&)> set;
        TPixelFormat format;
        int maxColours; // 0: not paletted
    } const cases[] = {
        {"defaults", [](TJPEGImage&) {}, TPixelFormat::pf24bit, 0},
        {"8-bit pixel format", [](TJPEGImage& j) { j.PixelFormat = TJPEGPixelFormat::jf8Bit; }, TPixelFormat::pf8bit, 236},
        {"grayscale", [](TJPEGImage& j) { j.GrayscaleParam = true; }, TPixelFormat::pf8bit, 236},
        {"best speed", [](TJPEGImage& j) { j.Performance = TJPEGPerformance::jpBestSpeed; }, TPixelFormat::pf24bit, 0},
    };
    const QByteArray bytes = MakeJpeg(JpegTestPattern(40, 30));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        c.set(jpeg);
        jpeg.LoadFromBytes(bytes);
        TBitmap bitmap;
        jpeg.AssignTo(bitmap);
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        EXPECT_EQ(bitmap.Width(), 40);
        if (c.maxColours > 0) {
            EXPECT_GT(bitmap.Image().colorCount(), 1);
            EXPECT_LE(bitmap.Image().colorCount(), c.maxColours);
        }
    }
}

TEST(Jpeg, LoadFailureMessages) {
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromBytes(QByteArray("\x89PNG\r\n\x1a\n", 8));
        FAIL();
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), 53);
        EXPECT_EQ(e.Message(), "JPEG エラー #53");
    }
    EXPECT_EQ(EReadError().Message(), "ストリームからの読み込みエラー");
    EXPECT_EQ(EOutOfResources().Message(), "システム リソースが足りません");
    EXPECT_EQ(EFCreateError("a.jpg").Message(), "ファイル a.jpg を作成できません");
}
