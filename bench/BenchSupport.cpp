#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <jpeglib.h>
#include <memory>
#include <string>

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

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == key) {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return -1;
}
