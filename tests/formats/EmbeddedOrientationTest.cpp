#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "Oracle.h"
#include "TQtPicture.h"
#include "TestFileBytes.h"

#include <gtest/gtest.h>

// The Exif orientation PNG (eXIf) and WebP (EXIF) files carry stands them
// upright as a JPEG's does; TIFF's Orientation tag is read for the same turn.

namespace {

// Wider than high, odd sizes: every orientation gives a different picture.
QImage Stored() {
    return JpegTestPattern(27, 14);
}

QByteArray Exif(int value, bool bigEndian = false) {
    return TiffHeaded(ExifOrientationPayload(value, bigEndian));
}

QByteArray Png(const QByteArray& exif, bool afterData = false) {
    return PngWithChunks(QtEncoded(Stored(), "png"), {}, exif, afterData);
}

QByteArray Webp(const QByteArray& exif) {
    return WebpWithChunks(QtEncoded(Stored(), "webp", 100), {}, exif);
}

} // namespace

TEST(EmbeddedOrientation, EachPngAndWebPTagStandsThePhotoUprightAsItsDefinitionPlacesThePixels) {
    for (int value = 1; value <= 8; ++value)
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << value << (bigEndian ? ", big-endian" : ""));
            const QImage upright = Upright(Stored(), value);
            EXPECT_EQ(MaxDifference(OpenedPixels(Png(Exif(value, bigEndian))), upright), 0)
                << "PNG";
            EXPECT_EQ(MaxDifference(OpenedPixels(Webp(Exif(value, bigEndian))), upright), 0)
                << "WebP";
        }
    EXPECT_EQ(MaxDifference(OpenedPixels(Png(Exif(6), true)), Upright(Stored(), 6)), 0)
        << "eXIf after the data";
    const QByteArray withHeader = ExifOrientationPayload(8);
    EXPECT_EQ(MaxDifference(OpenedPixels(Webp(withHeader)), Upright(Stored(), 8)), 0)
        << "EXIF with its Exif header";
}

TEST(EmbeddedOrientation, AWebPThatCwebpMadeOfAPortraitJpegOpensUprightAsTheJpegDoes) {
    const QString cwebp = FindTool(QStringLiteral("cwebp"));
    const QString dwebp = FindTool(QStringLiteral("dwebp"));
    if (cwebp.isEmpty() || dwebp.isEmpty())
        GTEST_SKIP() << "cwebp and dwebp (webp) are not installed";
    TempDir dir;
    const QString jpeg = dir.File(QStringLiteral("portrait.jpg"));
    const QString webp = dir.File(QStringLiteral("portrait.webp"));
    const QString stored = dir.File(QStringLiteral("stored.ppm"));
    WriteFileBytes(jpeg, WithExif(MakeJpeg(JpegTestPattern(120, 80)), ExifOrientationPayload(6)));
    QString messages;
    ASSERT_TRUE(RunTool(cwebp,
                        {QStringLiteral("-quiet"), QStringLiteral("-metadata"),
                         QStringLiteral("exif"), jpeg, QStringLiteral("-o"), webp},
                        {0}, &messages))
        << messages.toStdString();
    ASSERT_TRUE(RunTool(
        dwebp,
        {QStringLiteral("-quiet"), webp, QStringLiteral("-ppm"), QStringLiteral("-o"), stored}, {0},
        &messages))
        << messages.toStdString();
    const QImage opened = OpenedPixels(ReadFileBytes(webp));
    EXPECT_EQ(opened.size(), OpenedPixels(ReadFileBytes(jpeg)).size());
    EXPECT_EQ(MaxDifference(opened, Upright(ReadPpm(stored), 6)), 0);
}

TEST(EmbeddedOrientation, AMissingDamagedOrOutOfRangeTagLeavesThePixelsAsStored) {
    QByteArray badChecksum = Png(Exif(6));
    badChecksum[33 + 8 + Exif(6).size()] ^= 1; // the eXIf chunk's CRC, right after IHDR
    const struct {
        const char* name;
        QByteArray file;
    } cases[] = {
        {"PNG, no eXIf", Png({})},
        {"PNG, eXIf with a broken checksum", badChecksum},
        {"PNG, orientation 9", Png(Exif(9))},
        {"PNG, eXIf cut short", Png(Cut(Exif(6), 14))},
        {"PNG, eXIf of garbage", Png(QByteArray("garbage-garbage-garbage"))},
        {"WebP, orientation 0", Webp(Exif(0))},
        {"WebP, a LONG where a SHORT belongs",
         Webp(TiffHeaded(ExifOrientationPayload(6, false, 4)))},
        {"WebP, EXIF of garbage", Webp(QByteArray("garbage-garbage-garbage"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MaxDifference(OpenedPixels(c.file), Stored()), 0);
    }
}

TEST(EmbeddedOrientation, TiffsTagIsReadAndQtsReaderGivesTheRowsAsStored) {
    const QImage translucent = TranslucentPattern(27, 14);
    for (int value = 1; value <= 8; ++value)
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << value << (bigEndian ? ", big-endian" : ""));
            TQtPicture colour(TiffOf(Stored(), {}, value, bigEndian), "tiff");
            EXPECT_EQ(colour.Metadata().orientation, static_cast<TOrientation>(value));
            EXPECT_EQ(MaxDifference(colour.Decode({}), Stored()), 0);
            TQtPicture transparent(TiffOf(translucent, {}, value, bigEndian), "tiff");
            EXPECT_EQ(transparent.Metadata().orientation, static_cast<TOrientation>(value));
            EXPECT_EQ(
                MaxDifference(transparent.Decode({}), OverWhiteWith(translucent, translucent)), 0);
        }
}
