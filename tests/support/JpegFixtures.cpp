#include "JpegFixtures.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

QImage JpegTestPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool checker = ((x / 8) + (y / 8)) % 2 == 0;
            row[3 * x + 0] = static_cast<uchar>(255 * x / std::max(width - 1, 1));
            row[3 * x + 1] = static_cast<uchar>(255 * y / std::max(height - 1, 1));
            row[3 * x + 2] = static_cast<uchar>(checker ? 200 : 40);
        }
    }
    return image;
}

QByteArray MakeJpeg(const QImage& source, const JpegFixtureOptions& options) {
    // The test data is well-formed, so libjpeg's default error handler (which
    // exits) never fires.
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = options.grayscale ? 1 : 3;
    cinfo.in_color_space = options.grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (!options.scans.empty()) {
        cinfo.scan_info = options.scans.data();
        cinfo.num_scans = static_cast<int>(options.scans.size());
    } else if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> grey(static_cast<size_t>(image.width()));
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* line = image.constScanLine(static_cast<int>(cinfo.next_scanline));
        JSAMPROW row = const_cast<uchar*>(line);
        if (options.grayscale) {
            for (int x = 0; x < image.width(); ++x)
                grey[static_cast<size_t>(x)] = line[3 * x + 1];
            row = grey.data();
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    if (options.truncateTo > 0 && options.truncateTo < bytes.size())
        bytes.truncate(options.truncateTo);
    return bytes;
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}
