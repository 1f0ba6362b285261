#include "SavedJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct ErrorExit {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorExit*>(cinfo->err)->jump, 1); }

int FirstFrameMarker(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 2; // after SOI
    while (i + 4 <= n && p[i] == 0xFF) {
        const int marker = p[i + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker;
        if (marker == 0xDA) // start of scan before any frame
            return 0;
        i += 2 + ((p[i + 2] << 8) | p[i + 3]);
    }
    return 0;
}

} // namespace

namespace {

// Only C objects live across the jump back from the library's error exit.
bool Decode(const QByteArray& bytes, SavedJpeg* result) {
    jpeg_decompress_struct cinfo;
    ErrorExit err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnError;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    for (int t = 0; t < 2; ++t)
        if (cinfo.quant_tbl_ptrs[t])
            for (int k = 0; k < 64; ++k)
                result->quant[t][k] = cinfo.quant_tbl_ptrs[t]->quantval[k];
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    result->width = static_cast<int>(cinfo.output_width);
    result->height = static_cast<int>(cinfo.output_height);
    result->components = cinfo.num_components;
    result->rgb.resize(static_cast<size_t>(result->width) * result->height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = result->rgb.data() + static_cast<size_t>(cinfo.output_scanline) * result->width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

SavedJpeg ReadSavedJpeg(const QByteArray& bytes) {
    SavedJpeg result;
    if (bytes.size() < 4 || !Decode(bytes, &result))
        return SavedJpeg{};
    result.frameMarker = FirstFrameMarker(bytes);
    result.ok = true;
    return result;
}

std::array<std::array<int, 64>, 2> ReferenceQuantTables(int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    std::array<std::array<int, 64>, 2> tables{};
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 64; ++k)
            tables[t][k] = cinfo.quant_tbl_ptrs[t]->quantval[k];
    jpeg_destroy_compress(&cinfo);
    return tables;
}
