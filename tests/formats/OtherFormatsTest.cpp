#include "Exceptions.h"
#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "Oracle.h"
#include "PhotoFormat.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TestFileBytes.h"

#include <QBuffer>
#include <QImageWriter>
#include <cmath>
#include <gtest/gtest.h>
#include <jerror.h>

TEST(PngAndWebP, OpenAs24BitRgbWithTransparencyOverWhite) {
    QImage palette = JpegTestPattern(40, 30).convertToFormat(QImage::Format_Indexed8);
    const struct {
        const char* name;
        QImage image;
        const char* format;
    } cases[] = {
        {"PNG, 8-bit RGB", JpegTestPattern(40, 30), "png"},
        {"PNG, 8-bit RGBA", TranslucentPattern(40, 30), "png"},
        {"PNG, 16-bit RGBA", TranslucentPattern(40, 30).convertToFormat(QImage::Format_RGBA64), "png"},
        {"PNG, 16-bit RGB", JpegTestPattern(40, 30).convertToFormat(QImage::Format_RGBX64), "png"},
        {"PNG, 8-bit grey", JpegTestPattern(40, 30).convertToFormat(QImage::Format_Grayscale8), "png"},
        {"PNG, 16-bit grey", JpegTestPattern(40, 30).convertToFormat(QImage::Format_Grayscale16), "png"},
        {"PNG, palette", palette, "png"},
        {"WebP, lossless", JpegTestPattern(40, 30), "webp"},
        {"WebP, lossless with transparency", TranslucentPattern(40, 30), "webp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = QtEncoded(c.image, c.format, 100);
        QImage::Format format{};
        const QImage opened = OpenedPixels(bytes, &format);
        EXPECT_EQ(format, QImage::Format_RGB888);
        EXPECT_LE(MaxDifference(opened, OverWhite(c.image)), 1);
    }
}

TEST(Heic, OpensAsLibheifsOwnConverterDecodesIt) {
    const QString enc = FindTool(QStringLiteral("heif-enc"));
    const QString convert = FindTool(QStringLiteral("heif-convert"));
    if (enc.isEmpty() || convert.isEmpty())
        GTEST_SKIP() << "heif-enc and heif-convert (libheif-examples) are not installed";
    TempDir dir;
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "with transparency" : "opaque");
        const QString png = dir.File(QStringLiteral("source.png"));
        const QString heic = dir.File(QStringLiteral("photo.heic"));
        const QString back = dir.File(QStringLiteral("converted.png"));
        ASSERT_TRUE((alpha ? TranslucentPattern(40, 30) : JpegTestPattern(64, 48)).save(png));
        QString messages;
        if (!RunTool(enc, {QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-o"), heic, png}, {0}, &messages))
            GTEST_SKIP() << "heif-enc could not encode (no HEVC encoder?): " << messages.toStdString();
        ASSERT_TRUE(RunTool(convert, {heic, back}, {0}, &messages)) << messages.toStdString();
        const QImage expected = OverWhite(QImage(back));
        ASSERT_FALSE(expected.isNull());
        const QByteArray bytes = ReadFileBytes(heic);
        EXPECT_EQ(SniffPhotoFormat(bytes), TPhotoFormat::Heif);
        QImage::Format format{};
        EXPECT_LE(MaxDifference(OpenedPixels(bytes, &format), expected), 1);
        EXPECT_EQ(format, QImage::Format_RGB888);
    }
}

TEST(PhotoFormats, AreToldByTheirBytes) {
    const struct {
        const char* name;
        QByteArray bytes;
        TPhotoFormat format;
    } cases[] = {
        {"JPEG", MakeJpeg(JpegTestPattern(8, 8)), TPhotoFormat::Jpeg},
        {"PNG", QtEncoded(JpegTestPattern(8, 8), "png"), TPhotoFormat::Png},
        {"WebP", QtEncoded(JpegTestPattern(8, 8), "webp"), TPhotoFormat::WebP},
        {"HEIC brand", QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24), TPhotoFormat::Heif},
        {"empty, read as JPEG", QByteArray(), TPhotoFormat::Jpeg},
        {"text, no photo", QByteArray("not a photo\n"), TPhotoFormat::NotAPhoto},
        {"RIFF of another kind", QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16), TPhotoFormat::NotAPhoto},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SniffPhotoFormat(c.bytes), c.format) << c.name;
}

TEST(PhotoFormats, DamagedAndOversizedFilesFailBeforeTheBitmapIsTouched) {
    const QByteArray png = QtEncoded(JpegTestPattern(40, 30), "png");
    const struct {
        const char* name;
        QByteArray bytes;
        bool loads; // the header reads; decoding fails
        std::int64_t maxPixels = 0;
    } cases[] = {
        {"PNG signature, then garbage", QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(64, 'x'), false},
        {"HEIC brand, then nothing usable", QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24), false},
        {"WebP header only", QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16), false},
        {"PNG larger than the memory allows", png, true, 40 * 30 - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        bitmap.SetWidth(3);
        bitmap.SetHeight(2);
        const QImage before = bitmap.Image();
        TJPEGImage jpeg;
        TPhotoFile file(jpeg);
        file.MaxPixels = c.maxPixels;
        if (!c.loads) {
            EXPECT_THROW(file.LoadFromBytes(c.bytes), EInvalidGraphic);
            continue;
        }
        file.LoadFromBytes(c.bytes);
        try {
            file.AssignTo(bitmap);
            ADD_FAILURE() << "decoded";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Code(), JERR_IMAGE_TOO_BIG);
        }
        EXPECT_EQ(bitmap.Image(), before);
    }
}
