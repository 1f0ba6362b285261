#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "Oracle.h"

#include <gtest/gtest.h>

// HEIF and AVIF colour: ICC profiles and nclx code points through the same
// Little CMS stage as every format's, transparency as the file stores it.

namespace {

// A file heif-enc makes, or a skip with the reason.
#define HEIF_OR_SKIP(var, dir, png, options, name)                                                 \
    QString why_##var;                                                                             \
    const QByteArray var = HeifEncoded(dir, png, options, QStringLiteral(name), &why_##var);       \
    if (var.isEmpty())                                                                             \
    GTEST_SKIP() << why_##var.toStdString()

const QStringList kAvif{QStringLiteral("-A"), QStringLiteral("-L"), QStringLiteral("-p"),
                        QStringLiteral("chroma=444")};

// Straight colour of `premultiplied`, rounded, as a converter needs it.
QImage Unpremultiplied(const QImage& premultiplied) {
    QImage result = premultiplied.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x) {
            uchar* p = result.scanLine(y) + 4 * x;
            for (int k = 0; k < 3; ++k)
                p[k] = p[3] ? static_cast<uchar>(std::min(255, (p[k] * 255 + p[3] / 2) / p[3])) : 0;
        }
    return result;
}

QImage Premultiplied(const QImage& straight) {
    QImage result = straight.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x) {
            uchar* p = result.scanLine(y) + 4 * x;
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uchar>((p[k] * p[3] + 127) / 255);
        }
    return result;
}

// Premultiplied colour over white: c + 255 - a.
QImage PremultipliedOverWhite(const QImage& premultiplied) {
    const QImage rgba = premultiplied.convertToFormat(QImage::Format_RGBA8888);
    QImage result(rgba.size(), QImage::Format_RGB888);
    for (int y = 0; y < rgba.height(); ++y)
        for (int x = 0; x < rgba.width(); ++x)
            for (int k = 0; k < 3; ++k) {
                const uchar* p = rgba.constScanLine(y) + 4 * x;
                result.scanLine(y)[3 * x + k] =
                    static_cast<uchar>(std::min(255, p[k] + 255 - p[3]));
            }
    return result;
}

} // namespace

TEST(HeifColour, CodePointsConvertAsH273DefinesThem) {
    TempDir dir;
    const QByteArray png = QtEncoded(JpegTestPattern(64, 48), "png");
    const struct {
        const char* name;
        int primaries;
        int transfer;
    } cases[] = {
        {"Display P3", 12, 13},
        {"DCI-P3, its own white", 11, 13},
        {"BT.2020 with its 10-bit curve", 9, 14},
        {"BT.709 with its own curve", 1, 1},
        {"BT.709 primaries, linear light", 1, 8},
        {"BT.709 primaries, gamma 2.2", 1, 4},
        {"BT.2100 PQ", 9, 16},
        {"BT.2100 HLG", 9, 18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HEIF_OR_SKIP(plain, dir, png, kAvif, "coded.avif");
        const QByteArray avif = WithCodePoints(plain, c.primaries, c.transfer);
        const QImage coded = HeifConverted(dir, avif);
        ASSERT_FALSE(coded.isNull()) << "heif-convert is not installed";
        const QImage expected = NclxReference(dir, coded, c.primaries, c.transfer);
        ASSERT_FALSE(expected.isNull()) << "python3 is not installed";
        const QImage opened = OpenedPixels(avif);
        EXPECT_LE(MaxDifference(opened, expected), 1);
        EXPECT_GT(MaxDifference(opened, coded), 5) << "the colour was converted";
    }
}

TEST(HeifColour, SrgbAndUnspecifiedCodePointsKeepTheDecodersPixelsBitForBit) {
    TempDir dir;
    const QByteArray png = QtEncoded(JpegTestPattern(64, 48), "png");
    HEIF_OR_SKIP(plain, dir, png, kAvif, "plain.avif");
    const QImage decoded = OpenedPixels(plain);
    EXPECT_LE(MaxDifference(decoded, HeifConverted(dir, plain)), 1);
    const struct {
        const char* name;
        int primaries;
        int transfer;
    } cases[] = {{"sRGB", 1, 13},
                 {"unspecified", 2, 2},
                 {"BT.709 primaries, transfer unspecified", 1, 2},
                 {"primaries unspecified, sRGB's curve", 2, 13}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            MaxDifference(OpenedPixels(WithCodePoints(plain, c.primaries, c.transfer)), decoded),
            0);
    }
}

TEST(HeifColour, ProfilesAndTransparencyGoThroughTheStageAsStored) {
    if (PillowPython().isEmpty())
        GTEST_SKIP() << "python3-pil is not installed";
    TempDir dir;
    const QImage colour = JpegTestPattern(64, 48);
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    const QImage translucent = TranslucentPattern(64, 48);
    const QImage premultiplied = Premultiplied(translucent);
    const QStringList heic = LosslessRgb();
    const QStringList premultipliedHeic = QStringList(heic)
                                          << QStringLiteral("--premultiplied-alpha");
    // What the oracle converts: the decoder's colour, straight.
    enum class Alpha { None, Straight, Premultiplied };
    const struct {
        const char* name;
        QByteArray png;
        QStringList options;
        QByteArray profile; // empty: no conversion
        Alpha alpha;
        QImage source = {}; // when heif-convert cannot tell the decoder's pixels
    } cases[] = {
        {"a Lab table", PngWithChunks(QtEncoded(colour, "png"), LutRgbProfile(), {}), heic,
         LutRgbProfile(), Alpha::None},
        // heif-convert cannot write a grey profile into its RGB output: the
        // oracle converts the pixels the lossless file was made from.
        {"grey with a grey profile, monochrome AVIF",
         PngWithChunks(QtEncoded(grey, "png"), GreyProfile(), {}), kAvif, GreyProfile(),
         Alpha::None, grey},
        {"transparent, Adobe RGB",
         PngWithChunks(QtEncoded(translucent, "png"), AdobeRgbProfile(), {}), heic,
         AdobeRgbProfile(), Alpha::Straight},
        {"premultiplied transparency",
         QtEncoded(premultiplied, "png"),
         premultipliedHeic,
         {},
         Alpha::Premultiplied},
        {"premultiplied transparency, Adobe RGB",
         PngWithChunks(QtEncoded(premultiplied, "png"), AdobeRgbProfile(), {}), premultipliedHeic,
         AdobeRgbProfile(), Alpha::Premultiplied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HEIF_OR_SKIP(file, dir, c.png, c.options, "photo.heic");
        const QImage stored = c.source.isNull() ? HeifConverted(dir, file) : c.source;
        ASSERT_FALSE(stored.isNull()) << "heif-convert is not installed";
        QImage expected;
        if (c.profile.isEmpty()) {
            expected = PremultipliedOverWhite(stored);
        } else {
            const QImage straight =
                c.alpha == Alpha::Premultiplied ? Unpremultiplied(stored) : stored;
            const QString source = dir.File(QStringLiteral("stored.ppm"));
            ASSERT_TRUE(WritePpm(source, straight.convertToFormat(QImage::Format_RGB888)));
            expected = PillowToSrgb(dir, source, c.profile);
            if (c.alpha != Alpha::None)
                expected = OverWhiteWith(expected, straight);
        }
        ASSERT_FALSE(expected.isNull());
        EXPECT_LE(MaxDifference(OpenedPixels(file), expected), 1);
    }
}
