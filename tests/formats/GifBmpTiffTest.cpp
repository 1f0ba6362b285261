#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "OpenTestSupport.h"
#include "PhotoFormat.h"
#include "TApplication.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFileInfo>
#include <QImageWriter>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray Encoded(const QImage& image, const char* format, int compression = 0) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setCompression(compression);
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return bytes;
}

void PutLe16(QByteArray& b, int v) { b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF)); }

// A GIF of palette pictures of one size, all shown with the palette of the
// first; pixels of index `transparent` (if >= 0) are see-through. Qt reads
// GIF but does not write it. The data is LZW-coded without compression:
// every index a 9-bit code, the table cleared before it would grow past them.
QByteArray Gif(const std::vector<QImage>& frames, int transparent = -1) {
    const QImage& first = frames.front();
    QByteArray b("GIF89a");
    PutLe16(b, first.width());
    PutLe16(b, first.height());
    b.append('\xF7').append('\0').append('\0'); // a global table of 256 colours
    QList<QRgb> table = first.colorTable();
    table.resize(256, qRgb(0, 0, 0));
    for (const QRgb c : table)
        b.append(static_cast<char>(qRed(c))).append(static_cast<char>(qGreen(c))).append(static_cast<char>(qBlue(c)));
    b.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0", 19); // loops forever
    for (const QImage& frame : frames) {
        b.append("\x21\xF9\x04", 3);
        b.append(static_cast<char>(transparent >= 0 ? 0x05 : 0x04)); // kept, then drawn over
        PutLe16(b, 10);
        b.append(static_cast<char>(transparent >= 0 ? transparent : 0)).append('\0');
        b.append('\x2C');
        PutLe16(b, 0);
        PutLe16(b, 0);
        PutLe16(b, frame.width());
        PutLe16(b, frame.height());
        b.append('\0').append('\x08');
        QByteArray codes;
        unsigned bits = 0;
        int count = 0;
        const auto put = [&](unsigned code) {
            bits |= code << count;
            for (count += 9; count >= 8; count -= 8, bits >>= 8)
                codes.append(static_cast<char>(bits & 0xFF));
        };
        int sinceClear = 0;
        put(256);
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                if (++sinceClear == 250) {
                    put(256);
                    sinceClear = 1;
                }
                put(frame.constScanLine(y)[x]);
            }
        put(257);
        if (count > 0)
            codes.append(static_cast<char>(bits & 0xFF));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            b.append(static_cast<char>(block.size())).append(block);
        }
        b.append('\0');
    }
    return b.append('\x3B');
}

QImage Palette() { return JpegTestPattern(40, 30).convertToFormat(QImage::Format_Indexed8); }

// The palette picture with every pixel of one index made white, as a GIF
// frame shows it over white when that index is see-through.
QImage WhiteWhere(const QImage& palette, int index) {
    QImage image = palette.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (palette.constScanLine(y)[x] == index)
                image.setPixel(x, y, qRgb(255, 255, 255));
    return image;
}

} // namespace

// GIF (its first frame), BMP and TIFF open through the same road as PNG:
// 24-bit RGB, transparency over white, 16-bit channels reduced to 8.
TEST(GifBmpTiff, OpenAs24BitRgbWithTransparencyOverWhite) {
    const QImage palette = Palette();
    QImage later = palette;
    later.invertPixels();
    const int seeThrough = palette.constScanLine(0)[0];
    QImage tagged = JpegTestPattern(40, 30);
    tagged.setColorSpace(QColorSpace::fromIccProfile(AdobeRgbProfile()));
    const struct {
        const char* name;
        QByteArray bytes;
        TPhotoFormat format;
        QImage expected;
    } cases[] = {
        {"GIF, one frame", Gif({palette}), TPhotoFormat::Gif, palette},
        {"GIF animation: its first frame", Gif({palette, later, later}), TPhotoFormat::Gif, palette},
        {"GIF with a see-through colour", Gif({palette, later}, seeThrough), TPhotoFormat::Gif,
         WhiteWhere(palette, seeThrough)},
        {"BMP, 24-bit", Encoded(JpegTestPattern(40, 30), "bmp"), TPhotoFormat::Bmp, JpegTestPattern(40, 30)},
        {"BMP, palette", Encoded(palette, "bmp"), TPhotoFormat::Bmp, palette},
        {"TIFF, 8-bit RGB", Encoded(JpegTestPattern(40, 30), "tiff"), TPhotoFormat::Tiff, JpegTestPattern(40, 30)},
        {"TIFF, LZW", Encoded(JpegTestPattern(40, 30), "tiff", 1), TPhotoFormat::Tiff, JpegTestPattern(40, 30)},
        {"TIFF, 8-bit RGBA", Encoded(TranslucentPattern(40, 30), "tiff"), TPhotoFormat::Tiff, TranslucentPattern(40, 30)},
        {"TIFF, 16-bit RGBA", Encoded(TranslucentPattern(40, 30).convertToFormat(QImage::Format_RGBA64), "tiff"),
         TPhotoFormat::Tiff, TranslucentPattern(40, 30)},
        {"TIFF, grey", Encoded(JpegTestPattern(40, 30).convertToFormat(QImage::Format_Grayscale8), "tiff"),
         TPhotoFormat::Tiff, JpegTestPattern(40, 30).convertToFormat(QImage::Format_Grayscale8)},
        {"TIFF, palette", Encoded(palette, "tiff"), TPhotoFormat::Tiff, palette},
        // Its profile is converted as a PNG's is.
        {"TIFF with an ICC profile", Encoded(tagged, "tiff"), TPhotoFormat::Tiff,
         OpenedPixels(Encoded(tagged, "png"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SniffPhotoFormat(c.bytes), c.format);
        QImage::Format format{};
        const QImage opened = OpenedPixels(c.bytes, &format);
        EXPECT_EQ(format, QImage::Format_RGB888);
        EXPECT_LE(MaxDifference(opened, OverWhite(c.expected)), 1);
    }
}

using GifBmpTiffRoad = OpenFixture;

// Opened with the open button whatever their names; one too large for the
// memory free is refused with the memory message, as a PNG is.
TEST_F(GifBmpTiffRoad, OpenWhateverTheirNamesAndAreRefusedWhenTheMemoryCannotHoldThem) {
    const QImage picture = JpegTestPattern(300, 200);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"scan.TIF", Encoded(picture, "tiff")},
        {"export.tiff", Encoded(picture, "tiff", 1)},
        {"drawing.bmp", Encoded(picture, "bmp")},
        {"animation.gif", Gif({picture.convertToFormat(QImage::Format_Indexed8)})},
        {"photo.jpg", Encoded(picture, "tiff")},
    };
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString&, const QString& text) { reports.append(text); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickOpen(WritePhoto(120, 90));
        const QImage before = WorkPixels();
        const QString path = SubFolder(QStringLiteral("pictures")) + QLatin1Char('/') + QString::fromLatin1(c.name);
        WriteFileBytes(path, c.bytes);
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/'));

        reports.clear();
        SetAvailableMemoryReader([] { return MemoryReserve + 1000; });
        ClickOpen(path);
        SetAvailableMemoryReader(nullptr);
        EXPECT_EQ(WorkPixels(), before);
        EXPECT_EQ(Settings.LastOpenFolder, folder);
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports[0].startsWith(QStringLiteral("メモリが足りないため、この写真を開けません (300 × 200 ")))
            << reports[0].toStdString();

        reports.clear();
        Settings.LastOpenFolder.clear();
        ClickOpen(path);
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
        EXPECT_LE(MaxDifference(WorkPixels(), c.bytes.startsWith("GIF") ? picture.convertToFormat(QImage::Format_Indexed8)
                                                                         : picture),
                  0);
        EXPECT_EQ(form->Panel2->size(), QSize(602, 402));
        EXPECT_EQ(Settings.LastOpenFolder, folder);
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(Composition.JpegPicture, nullptr);
    }
    TApplication::SetErrorReporter(nullptr);
}
