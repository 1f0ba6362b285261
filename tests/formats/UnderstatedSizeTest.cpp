// Photo files whose header says less than their picture holds: found by the
// photo fuzzer. The memory guard and the pixel cap judge a photo by the size
// its header gives; a picture larger than that must be refused, not handed on
// at the size it really has.

#include "Exceptions.h"
#include "JpegFixtures.h"
#include "Oracle.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TempDir.h"
#include "TestFileBytes.h"

#include <QtEndian>
#include <gtest/gtest.h>

// The size is the ispe box's.
TEST(HostileHeif, APictureLargerThanItsHeaderSaysIsRefused) {
    const QString enc = FindTool(QStringLiteral("heif-enc"));
    if (enc.isEmpty())
        GTEST_SKIP() << "heif-enc (libheif-examples) is not installed";
    TempDir dir;
    const QString png = dir.File(QStringLiteral("source.png"));
    const QString heic = dir.File(QStringLiteral("photo.heic"));
    ASSERT_TRUE(JpegTestPattern(64, 48).save(png));
    QString messages;
    if (!RunTool(enc, {QStringLiteral("-q"), QStringLiteral("50"), QStringLiteral("-o"), heic, png}, {0}, &messages))
        GTEST_SKIP() << "heif-enc could not encode (no HEVC encoder?): " << messages.toStdString();
    QByteArray bytes = ReadFileBytes(heic);
    // The primary picture's size box (heif-enc may code a larger picture
    // and crop it): after the box type, version and flags, then width and
    // height.
    QByteArray size("ispe\0\0\0\0", 8);
    size.append(QByteArray(8, '\0'));
    qToBigEndian<quint32>(64, size.data() + 8);
    qToBigEndian<quint32>(48, size.data() + 12);
    const qsizetype ispe = bytes.indexOf(size);
    ASSERT_GT(ispe, 0);
    qToBigEndian<quint32>(16, bytes.data() + ispe + 8);
    qToBigEndian<quint32>(12, bytes.data() + ispe + 12);

    TJPEGImage jpeg;
    TPhotoFile file(jpeg);
    file.LoadFromBytes(bytes);
    EXPECT_EQ(file.Width(), 16);
    EXPECT_EQ(file.Height(), 12);
    TBitmap bitmap;
    bitmap.SetWidth(3);
    bitmap.SetHeight(2);
    const QImage before = bitmap.Image();
    EXPECT_THROW(file.AssignTo(bitmap), EInvalidGraphic);
    EXPECT_EQ(bitmap.Image(), before);
}

// A GIF whose logical screen is larger than the one 1 x 1 frame its reader
// sizes the file by: a little larger, and as large as a GIF can say, which
// must be refused before its memory is taken.
TEST(HostileGif, AScreenLargerThanItsFrameIsRefused) {
    for (const char* screen : {"01000140", "ffffffff"}) {
        SCOPED_TRACE(screen);
        const QByteArray bytes = QByteArray::fromHex(QByteArray("474946383961") + screen +
                                                     "8000" "00ffffff0000" "0021f90401000000"
                                                     "002c000000000100010000" "0202440100" "3b");
        TJPEGImage jpeg;
        TPhotoFile file(jpeg);
        file.LoadFromBytes(bytes);
        TBitmap bitmap;
        bitmap.SetWidth(3);
        bitmap.SetHeight(2);
        const QImage before = bitmap.Image();
        EXPECT_THROW(file.AssignTo(bitmap), EInvalidGraphic);
        EXPECT_EQ(bitmap.Image(), before);
    }
}
