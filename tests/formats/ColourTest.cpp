#include "FormatFixtures.h"
#include "IccProfiles.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "Oracle.h"
#include "SharedData.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TestFileBytes.h"

#include <gtest/gtest.h>

namespace {

// The pixels the JPEG picture decodes with no profile applied.
QImage TodaysPixels(const QByteArray& bytes) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    TBitmap bitmap;
    jpeg.AssignTo(bitmap);
    return bitmap.Image();
}

#define REQUIRE_PILLOW()                                                                     \
    do {                                                                                     \
        if (PillowPython().isEmpty() || FindTool(QStringLiteral("djpeg")).isEmpty())        \
            GTEST_SKIP() << "python3-pil or djpeg is not installed";                        \
    } while (0)

// What Pillow's Little CMS makes of djpeg's pixels of `plain` with `icc`.
QImage PillowOnDjpeg(const TempDir& dir, const QByteArray& plain, const QByteArray& icc, bool grey = false) {
    const QString stored = dir.File(QStringLiteral("stored.ppm"));
    if (!WritePpm(stored, DjpegPixels(dir, plain, grey)))
        return {};
    return PillowToSrgb(dir, stored, icc);
}

} // namespace

TEST(ColourProfile, RgbProfilesConvertAsAnIndependentLittleCmsRunOnDjpegsPixels) {
    REQUIRE_PILLOW();
    TempDir dir;
    const QByteArray plain = MakeJpeg(JpegTestPattern(96, 64));
    const struct {
        const char* name;
        QByteArray profile;
        int chunk;
    } cases[] = {
        {"Adobe RGB, matrix and curves", AdobeRgbProfile(), 60000},
        {"Adobe RGB split over several markers", AdobeRgbProfile(), 100},
        {"a Lab table (AToB0)", LutRgbProfile(), 60000},
        {"a Lab table split over several markers", LutRgbProfile(), 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage expected = PillowOnDjpeg(dir, plain, c.profile);
        ASSERT_FALSE(expected.isNull());
        const QImage opened = OpenedPixels(WithIcc(plain, c.profile, c.chunk));
        EXPECT_LE(MaxDifference(opened, expected), 1);
        EXPECT_GT(MaxDifference(opened, TodaysPixels(plain)), 10) << "the profile was applied";
    }
}

TEST(ColourProfile, APhotoSizedPictureConvertsTheSameWhileItDecodes) {
    REQUIRE_PILLOW();
    TempDir dir;
    const QByteArray plain = MakeJpeg(JpegTestPattern(1280, 900));
    const QImage expected = PillowOnDjpeg(dir, plain, AdobeRgbProfile());
    ASSERT_FALSE(expected.isNull());
    EXPECT_LE(MaxDifference(OpenedPixels(WithIcc(plain, AdobeRgbProfile())), expected), 1);
}

TEST(ColourProfile, AGreyProfileConvertsThePaletteOfAGreyPhoto) {
    REQUIRE_PILLOW();
    TempDir dir;
    JpegFixtureOptions grey;
    grey.grayscale = true;
    const QByteArray plain = MakeJpeg(JpegTestPattern(96, 64), grey);
    const QImage expected = PillowOnDjpeg(dir, plain, GreyProfile(), true);
    ASSERT_FALSE(expected.isNull());
    QImage::Format format{};
    const QImage opened = OpenedPixels(WithIcc(plain, GreyProfile()), &format);
    EXPECT_EQ(format, QImage::Format_Indexed8);
    EXPECT_LE(MaxDifference(opened, expected), 1);
    EXPECT_GT(MaxDifference(opened, TodaysPixels(plain)), 5) << "the profile was applied";
}

TEST(ColourProfile, CmykFilesWithAProfileConvertAsLittleCmsDoesOnTheirInk) {
    REQUIRE_PILLOW();
    for (const char* name : {"cmyk-adobe.jpg", "ycck-adobe.jpg", "cmyk-adobe-text.jpg"}) {
        SCOPED_TRACE(name);
        const QString path = SharedJpeg(QString::fromLatin1(name));
        REQUIRE_SHARED_JPEG(path);
        TempDir dir;
        const QByteArray tagged = WithIcc(ReadFileBytes(path), CmykProfile());
        const QString file = dir.File(QStringLiteral("tagged.jpg"));
        WriteFileBytes(file, tagged);
        // Pillow decodes the ink itself (undoing the Adobe inversion) and
        // converts it with the profile.
        const QImage expected = PillowToSrgb(dir, file, CmykProfile());
        ASSERT_FALSE(expected.isNull());
        EXPECT_LE(MaxDifference(OpenedPixels(tagged), expected), 1);
    }
}

TEST(ColourProfile, SrgbForeignAndUnreadableProfilesKeepTodaysPixelsBitForBit) {
    const QByteArray colour = MakeJpeg(JpegTestPattern(40, 30));
    JpegFixtureOptions greyOptions;
    greyOptions.grayscale = true;
    const QByteArray grey = MakeJpeg(JpegTestPattern(40, 30), greyOptions);
    QByteArray garbage(3000, '\x5A');
    garbage.replace(36, 4, "acsp");
    const struct {
        const char* name;
        QByteArray file;
    } cases[] = {
        {"Little CMS's sRGB", WithIcc(colour, SrgbProfile())},
        {"garbage in the chunks", WithIcc(colour, garbage)},
        {"a profile cut short", WithIcc(colour, AdobeRgbProfile().left(200))},
        {"a grey profile on a colour photo", WithIcc(colour, GreyProfile())},
        {"an RGB profile on a grey photo", WithIcc(grey, AdobeRgbProfile())},
        {"a CMYK profile on a colour photo", WithIcc(colour, CmykProfile())},
        {"a chunk missing", WithIcc(colour, AdobeRgbProfile(), 100).remove(2, 118)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage::Format format{};
        const QImage today = TodaysPixels(c.file);
        const QImage opened = OpenedPixels(c.file, &format);
        EXPECT_EQ(format, today.format());
        EXPECT_EQ(MaxDifference(opened, today), 0);
    }
    // An sRGB profile written by a camera maker.
    const QString path = SharedJpeg(QStringLiteral("ycc-444-adobe.jpg"));
    REQUIRE_SHARED_JPEG(path);
    const QByteArray camera = ReadFileBytes(path);
    EXPECT_EQ(OpenedPixels(camera), TodaysPixels(camera).convertToFormat(QImage::Format_RGB888));
}
