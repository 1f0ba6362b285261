#include "JpegMetadata.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

namespace {

constexpr unsigned kExifMarker = JPEG_APP0 + 1;
constexpr unsigned kIccMarker = JPEG_APP0 + 2;

struct Errors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void Leave(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}

// The first saved APP1 marker that holds Exif.
jpeg_saved_marker_ptr ExifMarker(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next)
        if (m->marker == kExifMarker && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return m;
    return nullptr;
}

} // namespace

JpegMetadata ReadJpegMetadata(const QByteArray& bytes) {
    JpegMetadata metadata;
    if (bytes.isEmpty())
        return metadata;
    jpeg_decompress_struct cinfo;
    Errors err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = Leave;
    err.pub.emit_message = Quiet;
    // Only C objects live past this point: a library error comes back here.
    JOCTET* icc = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(icc);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&cinfo, kExifMarker, 0xFFFF);
    jpeg_save_markers(&cinfo, kIccMarker, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo, &icc, &iccLength) && icc) {
        metadata.iccProfile = QByteArray(reinterpret_cast<const char*>(icc), static_cast<qsizetype>(iccLength));
        std::free(icc);
        icc = nullptr;
    }
    if (const jpeg_saved_marker_ptr exif = ExifMarker(&cinfo))
        metadata.exif = QByteArray(reinterpret_cast<const char*>(exif->data), static_cast<qsizetype>(exif->data_length));
    metadata.adobeMarker = cinfo.saw_Adobe_marker != FALSE;
    jpeg_destroy_decompress(&cinfo);
    return metadata;
}
