// HEIF files whose header says less than their coded picture holds: found by
// the photo fuzzer.

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

// The memory guard and the pixel cap judge a photo by the size its header
// (the ispe box) gives; a picture coded larger than that must be refused, not
// handed on at the size it really has.
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
