#include "FormatFixtures.h"

#include "Oracle.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TestFileBytes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

QImage OpenedPixels(const QByteArray& bytes, QImage::Format* format) {
    TJPEGImage jpeg;
    TPhotoFile file(jpeg);
    file.LoadFromBytes(bytes);
    TBitmap bitmap;
    file.AssignTo(bitmap);
    if (format)
        *format = bitmap.Image().format();
    return bitmap.Image().convertToFormat(QImage::Format_RGB888);
}

QImage DjpegPixels(const TempDir& dir, const QByteArray& jpeg, bool grey) {
    const QString djpeg = FindTool(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        return {};
    const QString in = dir.File(QStringLiteral("oracle-in.jpg"));
    WriteFileBytes(in, jpeg);
    if (!grey) {
        const QString out = dir.File(QStringLiteral("oracle-out.ppm"));
        if (!RunTool(djpeg, {QStringLiteral("-ppm"), QStringLiteral("-outfile"), out, in}))
            return {};
        return ReadPpm(out);
    }
    const QString out = dir.File(QStringLiteral("oracle-out.bmp"));
    if (!RunTool(djpeg, {QStringLiteral("-colors"), QStringLiteral("236"), QStringLiteral("-dither"), QStringLiteral("fs"),
                         QStringLiteral("-bmp"), QStringLiteral("-outfile"), out, in}))
        return {};
    IndexedPicture picture;
    if (!ReadBmp8(out, &picture))
        return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, picture.palette[picture.indices[static_cast<size_t>(y * picture.width + x)]]);
    return image;
}

QString PillowPython() {
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), FindTool(QStringLiteral("python3"))})
        if (!python.isEmpty() && RunTool(python, {QStringLiteral("-c"), QStringLiteral("import PIL.ImageCms")}))
            return python;
    return {};
}

QImage PillowToSrgb(const TempDir& dir, const QString& source, const QByteArray& icc) {
    const QString python = PillowPython();
    if (python.isEmpty())
        return {};
    const QString profile = dir.File(QStringLiteral("oracle.icc"));
    WriteFileBytes(profile, icc);
    const QString out = dir.File(QStringLiteral("oracle-srgb.ppm"));
    const char* script = R"(
import sys
from PIL import Image, ImageCms
im = Image.open(sys.argv[1])
if im.mode == 'P':
    im = im.convert('RGB')
src = ImageCms.getOpenProfile(sys.argv[2])
if src.profile.xcolor_space.strip() == 'GRAY' and im.mode != 'L':
    im = im.convert('L')
out = ImageCms.profileToProfile(im, src, ImageCms.createProfile('sRGB'), 0, 'RGB', flags=ImageCms.FLAGS['BLACKPOINTCOMPENSATION'])
out.save(sys.argv[3], 'PPM')
)";
    QString messages;
    if (!RunTool(python, {QStringLiteral("-c"), QString::fromUtf8(script), source, profile, out}, {0}, &messages)) {
        ADD_FAILURE() << "Pillow's conversion failed: " << messages.toStdString();
        return {};
    }
    return ReadPpm(out);
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return INT_MAX;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i)
            worst = std::max(worst, std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]));
    return worst;
}

QImage Upright(const QImage& image, int value) {
    const int w = image.width(), h = image.height();
    const bool swap = value >= 5;
    QImage result(swap ? h : w, swap ? w : h, QImage::Format_RGB888);
    // The tag says where stored row 0 and column 0 are to be shown: stored
    // pixel (x, y) goes to (u, v) of the upright picture.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int u = x, v = y;
            switch (value) {
            case 2: u = w - 1 - x; break;
            case 3: u = w - 1 - x; v = h - 1 - y; break;
            case 4: v = h - 1 - y; break;
            case 5: u = y; v = x; break;
            case 6: u = h - 1 - y; v = x; break;
            case 7: u = h - 1 - y; v = w - 1 - x; break;
            case 8: u = y; v = w - 1 - x; break;
            default: break;
            }
            result.setPixel(u, v, image.pixel(x, y));
        }
    return result;
}
