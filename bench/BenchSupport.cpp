#include "BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>

QImage SynthesisePhoto(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double t = std::sin(x * 0.01) * std::cos(y * 0.013);
            const int noise = ((x * 7919 + y * 104729) >> 3) & 15;
            row[3 * x + 0] = static_cast<uchar>(std::clamp(static_cast<int>(128 + 100 * t) + noise, 0, 255));
            row[3 * x + 1] = static_cast<uchar>((x * 255 / width + noise) & 0xFF);
            row[3 * x + 2] = static_cast<uchar>((y * 255 / height + 2 * noise) & 0xFF);
        }
    }
    return image;
}

namespace {

QByteArray Encode(const QImage& rgb, int quality, bool progressive) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    return bytes;
}

} // namespace

QByteArray BareEncode(const QImage& rgb, int quality) { return Encode(rgb, quality, false); }

QByteArray BareEncodeProgressive(const QImage& rgb, int quality) { return Encode(rgb, quality, true); }

namespace {

unsigned char Decode(const QByteArray& bytes, bool strip) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
    std::unique_ptr<uchar[]> pixels(new uchar[stride * (strip ? 16 : cinfo.output_height)]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = strip ? 0 : cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels.get() + stride * (first + i);
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels[3];
}

} // namespace

unsigned char BareDecode(const QByteArray& bytes) { return Decode(bytes, false); }

unsigned char BareDecodeStrip(const QByteArray& bytes) { return Decode(bytes, true); }

void FloorReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const auto& run : runs)
        if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            times_[run.benchmark_name()] = {run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
    ConsoleReporter::ReportRuns(runs);
}

void FloorReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\n%-22s %12s %12s %7s %7s\n", "figure", "ours", "floor", "ratio", "target");
    for (const auto& p : pairs_) {
        const auto a = Find(p.figure, p.wallTime), b = Find(p.floor, p.wallTime);
        if (a < 0 || b <= 0)
            continue;
        char target[16] = "-";
        if (p.target > 0)
            std::snprintf(target, sizeof target, "<= %.1f", p.target);
        std::printf("%-22s %9.3f ms %9.3f ms %7.2f %7s%s\n", p.figure, a, b, a / b, target,
                    p.wallTime ? " (wall)" : "");
    }
}

double FloorReporter::Find(const std::string& prefix, bool wallTime) const {
    for (const auto& [name, times] : times_)
        if (name.rfind(prefix, 0) == 0)
            return wallTime ? times.second : times.first;
    return -1;
}
