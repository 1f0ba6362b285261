#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "Oracle.h"
#include "TQtPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <functional>
#include <gtest/gtest.h>

// The profiles that PNG, WebP and TIFF files carry beside their pixels go
// through the same Little CMS stage as a JPEG's, on the decoder's own pixels:
// grey as grey, transparency laid over white after converting.

namespace {

#define REQUIRE_PILLOW()                                                                           \
    do {                                                                                           \
        if (PillowPython().isEmpty())                                                              \
            GTEST_SKIP() << "python3-pil is not installed";                                        \
    } while (0)

// What Pillow's Little CMS makes of `source` (its colour; grey when it is
// Grayscale8) with `icc`, laid over white with the source's alpha if it has
// one.
QImage PillowExpected(const TempDir& dir, const QImage& source, const QByteArray& icc) {
    const QString stored = dir.File(QStringLiteral("stored.ppm"));
    if (!WritePpm(stored, source.convertToFormat(QImage::Format_RGB888)))
        return {};
    const QImage converted = PillowToSrgb(dir, stored, icc);
    if (converted.isNull() || !source.hasAlphaChannel())
        return converted;
    return OverWhiteWith(converted, source);
}

// The pixels Qt's reader gives, straight: its TIFF reader premultiplies
// unassociated alpha, which rounds the colour of faint pixels.
QImage ReadersPixels(const QByteArray& bytes, const char* format) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.read().convertToFormat(QImage::Format_RGBA8888);
}

QImage OpenedByQtReader(const QByteArray& bytes, const char* format) {
    TQtPicture picture(bytes, format);
    return picture.Decode({}).convertToFormat(QImage::Format_RGB888);
}

using Opener = std::function<QImage(const QByteArray&)>;

const Opener kPhotoFile = [](const QByteArray& bytes) { return OpenedPixels(bytes); };
// TIFF is read by Qt's reader; the photo service's road to it is tested where
// it opens TIFF files.
const Opener kTiffReader = [](const QByteArray& bytes) { return OpenedByQtReader(bytes, "tiff"); };

} // namespace

TEST(EmbeddedProfile, PngWebPAndTiffProfilesConvertAsAnIndependentLittleCmsRunOnTheirPixels) {
    REQUIRE_PILLOW();
    TempDir dir;
    const QImage colour = JpegTestPattern(96, 64);
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    const QImage translucent = TranslucentPattern(96, 64);
    const struct {
        const char* name;
        QImage source; // the pixels the file holds
        QByteArray profile;
        QByteArray file;
        const Opener& open;
    } cases[] = {
        {"PNG, Adobe RGB", colour, AdobeRgbProfile(),
         PngWithChunks(QtEncoded(colour, "png"), AdobeRgbProfile(), {}), kPhotoFile},
        {"PNG, a Lab table", colour, LutRgbProfile(),
         PngWithChunks(QtEncoded(colour, "png"), LutRgbProfile(), {}), kPhotoFile},
        {"PNG, 16 bits a channel, a Lab table", colour, LutRgbProfile(),
         PngWithChunks(QtEncoded(colour.convertToFormat(QImage::Format_RGBX64), "png"),
                       LutRgbProfile(), {}),
         kPhotoFile},
        {"PNG, grey with a grey profile", grey, GreyProfile(),
         PngWithChunks(QtEncoded(grey, "png"), GreyProfile(), {}), kPhotoFile},
        {"PNG, transparent, Adobe RGB", translucent, AdobeRgbProfile(),
         PngWithChunks(QtEncoded(translucent, "png"), AdobeRgbProfile(), {}), kPhotoFile},
        {"WebP, a Lab table", colour, LutRgbProfile(),
         WebpWithChunks(QtEncoded(colour, "webp", 100), LutRgbProfile(), {}), kPhotoFile},
        {"WebP, transparent, a Lab table", translucent, LutRgbProfile(),
         WebpWithChunks(QtEncoded(translucent, "webp", 100), LutRgbProfile(), {}), kPhotoFile},
        {"TIFF, a Lab table", colour, LutRgbProfile(), TiffOf(colour, LutRgbProfile()),
         kTiffReader},
        {"TIFF, big-endian, Adobe RGB", colour, AdobeRgbProfile(),
         TiffOf(colour, AdobeRgbProfile(), 0, true), kTiffReader},
        {"TIFF, grey with a grey profile", grey, GreyProfile(), TiffOf(grey, GreyProfile()),
         kTiffReader},
        {"TIFF, transparent, Adobe RGB", ReadersPixels(TiffOf(translucent), "tiff"),
         AdobeRgbProfile(), TiffOf(translucent, AdobeRgbProfile()), kTiffReader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage expected = PillowExpected(dir, c.source, c.profile);
        ASSERT_FALSE(expected.isNull());
        const QImage opened = c.open(c.file);
        EXPECT_LE(MaxDifference(opened, expected), 1);
        EXPECT_GT(MaxDifference(opened, OverWhiteWith(c.source, c.source)), 5)
            << "the profile was applied";
    }
}

TEST(EmbeddedProfile, SrgbForeignAndUnreadableProfilesKeepTheReadersPixelsBitForBit) {
    const QImage colour = JpegTestPattern(40, 30);
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    const QImage translucent = TranslucentPattern(40, 30);
    QByteArray garbage(3000, '\x5A');
    garbage.replace(36, 4, "acsp");
    const struct {
        const char* name;
        QImage source;
        QByteArray file;
        const Opener& open;
    } cases[] = {
        {"PNG, no profile", colour, QtEncoded(colour, "png"), kPhotoFile},
        {"PNG, transparent, no profile", translucent, QtEncoded(translucent, "png"), kPhotoFile},
        {"PNG, Little CMS's sRGB", colour,
         PngWithChunks(QtEncoded(colour, "png"), SrgbProfile(), {}), kPhotoFile},
        {"PNG, garbage for a profile", colour, PngWithChunks(QtEncoded(colour, "png"), garbage, {}),
         kPhotoFile},
        {"PNG, a profile cut short", colour,
         PngWithChunks(QtEncoded(colour, "png"), AdobeRgbProfile().left(200), {}), kPhotoFile},
        {"PNG, a grey profile on colour", colour,
         PngWithChunks(QtEncoded(colour, "png"), GreyProfile(), {}), kPhotoFile},
        {"PNG, an RGB profile on grey", grey,
         PngWithChunks(QtEncoded(grey, "png"), AdobeRgbProfile(), {}), kPhotoFile},
        {"WebP, Little CMS's sRGB", colour,
         WebpWithChunks(QtEncoded(colour, "webp", 100), SrgbProfile(), {}), kPhotoFile},
        {"WebP, transparent, garbage for a profile", translucent,
         WebpWithChunks(QtEncoded(translucent, "webp", 100), garbage, {}), kPhotoFile},
        {"TIFF, no profile", colour, TiffOf(colour), kTiffReader},
        {"TIFF, a CMYK profile on RGB", colour, TiffOf(colour, CmykProfile()), kTiffReader},
        {"TIFF, grey, Little CMS's sRGB", grey, TiffOf(grey, SrgbProfile()), kTiffReader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MaxDifference(c.open(c.file), OverWhiteWith(c.source, c.source)), 0);
    }
}
