#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "SharedData.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TestFileBytes.h"

#include <gtest/gtest.h>

namespace {

// Wider than high and not a multiple of the block size, so that a turn, a
// mirror and a transposition all give different pictures.
QByteArray Plain(bool grey = false) {
    JpegFixtureOptions options;
    options.grayscale = grey;
    return MakeJpeg(JpegTestPattern(27, 14), options);
}

} // namespace

TEST(ExifOrientation, EachTagStandsThePhotoUprightAsItsDefinitionPlacesDjpegsPixels) {
    TempDir dir;
    const QByteArray plain = Plain();
    const QImage stored = DjpegPixels(dir, plain);
    if (stored.isNull())
        GTEST_SKIP() << "djpeg is not installed";
    for (int value = 1; value <= 8; ++value)
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << value << (bigEndian ? ", big-endian" : ", little-endian"));
            const QImage opened = OpenedPixels(WithExif(plain, ExifOrientationPayload(value, bigEndian)));
            EXPECT_EQ(opened.size(), value >= 5 ? QSize(14, 27) : QSize(27, 14));
            EXPECT_EQ(MaxDifference(opened, Upright(stored, value)), 0);
        }
}

TEST(ExifOrientation, AMissingDamagedOrOutOfRangeTagLeavesTheDecodedPixels) {
    TempDir dir;
    const QByteArray plain = Plain();
    const QImage stored = DjpegPixels(dir, plain);
    if (stored.isNull())
        GTEST_SKIP() << "djpeg is not installed";
    const struct {
        const char* name;
        QByteArray exif;
    } cases[] = {
        {"no Exif", {}},
        {"orientation 0", ExifOrientationPayload(0)},
        {"orientation 9", ExifOrientationPayload(9)},
        {"orientation 65535", ExifOrientationPayload(65535, true)},
        {"a LONG where a SHORT belongs", ExifOrientationPayload(6, false, 4)},
        {"directory cut short", Cut(ExifOrientationPayload(6), 20)},
        {"header only", QByteArray("Exif\0\0", 6)},
        {"not TIFF after the header", QByteArray("Exif\0\0garbage-garbage-garbage", 29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray file = c.exif.isEmpty() ? plain : WithExif(plain, c.exif);
        EXPECT_EQ(MaxDifference(OpenedPixels(file), stored), 0);
    }
}

TEST(ExifOrientation, AGreyPhotoIsTurnedInItsPaletteFormat) {
    TempDir dir;
    const QByteArray plain = Plain(true);
    const QImage stored = DjpegPixels(dir, plain, true);
    if (stored.isNull())
        GTEST_SKIP() << "djpeg is not installed";
    QImage::Format format{};
    const QImage opened = OpenedPixels(WithExif(plain, ExifOrientationPayload(8)), &format);
    EXPECT_EQ(format, QImage::Format_Indexed8);
    EXPECT_EQ(MaxDifference(opened, Upright(stored, 8)), 0);
}

TEST(ExifOrientation, ACameraPortraitOpensUpright) {
    const QString path = SharedJpeg(QStringLiteral("photo-canon-orient6.jpg"));
    REQUIRE_SHARED_JPEG(path);
    TempDir dir;
    const QByteArray bytes = ReadFileBytes(path);
    const QImage stored = DjpegPixels(dir, bytes);
    if (stored.isNull())
        GTEST_SKIP() << "djpeg is not installed";
    const QImage opened = OpenedPixels(bytes);
    EXPECT_EQ(opened.size(), QSize(1536, 2048));
    EXPECT_EQ(MaxDifference(opened, Upright(stored, 6)), 0);
}
