#include "HostileJpeg.h"

#include "JpegFixtures.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

namespace {

std::vector<jpeg_scan_info> ManyScanScript(int scans) {
    constexpr int TopBit = 10; // the highest successive-approximation bit libjpeg allows
    std::vector<jpeg_scan_info> script;
    auto add = [&](int comps, int component, int ss, int ah, int al) {
        jpeg_scan_info scan{};
        scan.comps_in_scan = comps;
        for (int c = 0; c < comps; ++c)
            scan.component_index[c] = comps == 1 ? component : c;
        scan.Ss = ss;
        scan.Se = ss;
        scan.Ah = ah;
        scan.Al = al;
        script.push_back(scan);
    };
    for (int bit = TopBit; bit >= 0; --bit)
        add(3, 0, 0, bit == TopBit ? 0 : bit + 1, bit);
    for (int component = 0; component < 3; ++component)
        for (int k = 1; k < 64; ++k)
            for (int bit = TopBit; bit >= 0; --bit)
                add(1, component, k, bit == TopBit ? 0 : bit + 1, bit);
    script.resize(static_cast<size_t>(scans));
    return script;
}

// Offset just past the marker segment or entropy-coded data that starts at i.
qsizetype NextMarker(const QByteArray& b, qsizetype i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(b[k]); };
    const unsigned char marker = byte(i + 1);
    if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7))
        return i + 2;
    qsizetype next = i + 2 + (byte(i + 2) << 8 | byte(i + 3));
    if (marker != 0xDA)
        return next;
    // After a scan header come the coded data, up to the next marker that is
    // neither a stuffed zero nor a restart.
    while (next + 1 < b.size() &&
           !(byte(next) == 0xFF && byte(next + 1) != 0 && !(byte(next + 1) >= 0xD0 && byte(next + 1) <= 0xD7)))
        ++next;
    return next;
}

struct Segment {
    qsizetype start;
    unsigned char marker;
};

std::vector<Segment> Segments(const QByteArray& jpeg) {
    std::vector<Segment> segments;
    for (qsizetype i = 0; i + 1 < jpeg.size(); i = NextMarker(jpeg, i)) {
        const bool last = static_cast<unsigned char>(jpeg[i + 1]) == 0xD9;
        if (static_cast<unsigned char>(jpeg[i]) != 0xFF || (!last && i + 3 >= jpeg.size())) {
            ADD_FAILURE() << "no marker at " << i;
            break;
        }
        segments.push_back({i, static_cast<unsigned char>(jpeg[i + 1])});
        if (segments.back().marker == 0xD9)
            break;
    }
    return segments;
}

} // namespace

QByteArray ManyScanJpeg(const QImage& source, int scans) {
    EXPECT_GE(scans, 11);
    EXPECT_LE(scans, ManyScanLimit);
    // Quality 75 is libjpeg's own default, which these files have always had.
    return MakeJpeg(source, {.quality = 75, .scans = ManyScanScript(scans)});
}

QByteArray RepeatLastScan(const QByteArray& progressive, int scans) {
    const std::vector<Segment> segments = Segments(progressive);
    // The last scan, with the tables that come just before it.
    size_t first = segments.size();
    while (first > 0 && segments[first - 1].marker != 0xDA)
        --first;
    if (first == 0 || segments.back().marker != 0xD9) {
        ADD_FAILURE() << "no scan ends this file";
        return progressive;
    }
    --first; // the SOS
    while (first > 0 && segments[first - 1].marker == 0xC4)
        --first;
    const qsizetype start = segments[first].start;
    const qsizetype end = segments.back().start;
    const QByteArray scan = progressive.mid(start, end - start);
    QByteArray bytes = progressive.left(end);
    for (int have = CountScans(progressive); have < scans; ++have)
        bytes += scan;
    return bytes + progressive.mid(end);
}

int CountScans(const QByteArray& jpeg) {
    int count = 0;
    for (const Segment& s : Segments(jpeg))
        count += s.marker == 0xDA;
    return count;
}

QByteArray WithDeclaredSize(QByteArray jpeg, int width, int height) {
    for (const Segment& s : Segments(jpeg)) {
        if (s.marker >= 0xC0 && s.marker <= 0xC2) {
            jpeg[s.start + 5] = static_cast<char>(height >> 8);
            jpeg[s.start + 6] = static_cast<char>(height & 0xFF);
            jpeg[s.start + 7] = static_cast<char>(width >> 8);
            jpeg[s.start + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

QByteArray RestartJpeg(const QImage& source, bool restarts) {
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
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    cinfo.restart_in_rows = restarts ? 1 : 0;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    return bytes;
}

QByteArray WithStuffedByteDamaged(QByteArray jpeg, double at, unsigned char marker, qsizetype* offset) {
    const qsizetype scan = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype from = std::max(scan, static_cast<qsizetype>(static_cast<double>(jpeg.size()) * at));
    const qsizetype stuffed = scan < 0 ? -1 : jpeg.indexOf(QByteArray("\xFF\x00", 2), from);
    if (stuffed < 0) {
        ADD_FAILURE() << "no stuffed zero after " << from;
        return jpeg;
    }
    jpeg[stuffed + 1] = static_cast<char>(marker);
    if (offset)
        *offset = stuffed;
    return jpeg;
}
