#include "JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// error_exit records the code and jumps back; warnings are only counted, since
// damaged files can raise millions of them.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
    long warnings;
    bool refuseEarlyEnd; // the picture is too large to be padded from almost nothing
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

bool IsRestart(int marker) { return marker >= 0xD0 && marker <= 0xD7; }

// The lowest marker code (SOF0); FF followed by a lower value is no marker.
constexpr int FirstMarker = 0xC0;

// Whether coded data follows a bad marker (a damaged byte: FF and a value no
// marker has). The library skips such markers up to the next real one and,
// if that is a restart marker, decodes on from it. The whole file is in the
// memory source, so the rest of it is at hand.
bool DataGoesOnAfterBadMarker(j_decompress_ptr cinfo) {
    const JOCTET* p = cinfo->src->next_input_byte;
    const JOCTET* const end = p + cinfo->src->bytes_in_buffer;
    while (end - p >= 2) {
        const int next = p[1];
        if (p[0] != 0xFF || next == 0xFF) {
            ++p;
        } else if (next == 0x00 || next < FirstMarker) {
            p += 2; // a stuffed zero, or another bad marker
        } else {
            return IsRestart(next);
        }
    }
    return false;
}

// The coded data of the scan has ended: the source ran out of bytes, or the
// entropy decoder ran into a real marker other than a restart (the next
// segment, the end of the image), after which the library pads the scan. A
// bad marker is an end only where nothing of the scan is read after it: no
// restart interval to resynchronise at, or no restart marker after it.
bool DataEnded(j_decompress_ptr cinfo) {
    const int code = cinfo->err->msg_code;
    const int marker = cinfo->unread_marker;
    if (code == JWRN_JPEG_EOF)
        return true;
    if (code != JWRN_HIT_MARKER || IsRestart(marker))
        return false;
    if (marker >= FirstMarker)
        return true;
    return cinfo->restart_interval == 0 || !DataGoesOnAfterBadMarker(cinfo);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    ++err->warnings;
    if (!err->refuseEarlyEnd || !cinfo->is_decompressor)
        return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number == 1 &&
        static_cast<std::int64_t>(d->input_iMCU_row) * JpegDataFraction < d->total_iMCU_rows && DataEnded(d))
        ERREXIT(cinfo, JERR_INPUT_EOF);
}

void InitErrors(ErrorManager* err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = ErrorExit;
    err->pub.emit_message = EmitMessage;
    err->code = 0;
    err->warnings = 0;
    err->refuseEarlyEnd = false;
}

// The library's progress monitor, with the number of scans this picture may have.
struct ScanGuard {
    jpeg_progress_mgr pub;
    int limit;
};

// Called by the library between units of work, also between the scans that
// jpeg_start_decompress reads ahead; input_scan_number counts the scans begun.
void LimitScans(j_common_ptr cinfo) {
    const int limit = reinterpret_cast<ScanGuard*>(cinfo->progress)->limit;
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > limit)
        ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, limit + 1);
}

void ApplySettings(j_decompress_ptr cinfo, const JpegDecodeSettings& s) {
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(s.scaleDenom);
    cinfo->do_block_smoothing = s.smoothing ? TRUE : FALSE;
    cinfo->dct_method = s.fastDct ? JDCT_IFAST : JDCT_ISLOW;
    cinfo->do_fancy_upsampling = TRUE;
    switch (s.output) {
    case JpegOutput::Rgb:
        cinfo->out_color_space = JCS_RGB;
        break;
    case JpegOutput::Gray:
        cinfo->out_color_space = JCS_GRAYSCALE;
        break;
    case JpegOutput::Cmyk:
        cinfo->out_color_space = JCS_CMYK;
        break;
    }
    cinfo->quantize_colors = s.quantize ? TRUE : FALSE;
    if (s.quantize) {
        cinfo->desired_number_of_colors = s.colors;
        cinfo->two_pass_quantize = s.twoPass ? TRUE : FALSE;
        cinfo->dither_mode = s.orderedDither ? JDITHER_ORDERED : JDITHER_FS;
    }
}

// Adobe-inverted CMYK to RGB as libjpeg-turbo's PPM writer does it,
// (JSAMPLE)(c * k / 255.0 + 0.5), in integers: 2ck + 255 is odd, so the
// quotient never sits on a rounding tie and both give the same result.
inline unsigned char CmykChannel(unsigned c, unsigned k) {
    return static_cast<unsigned char>((2 * c * k + 255) / 510);
}

void CmykRowToRgb(const unsigned char* cmyk, unsigned char* rgb, int width) {
    for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned k = cmyk[3];
        rgb[0] = CmykChannel(cmyk[0], k);
        rgb[1] = CmykChannel(cmyk[1], k);
        rgb[2] = CmykChannel(cmyk[2], k);
    }
}

// A growing malloc'ed buffer as destination, so that every byte is ours to free
// whatever path the encoder leaves by.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    unsigned char* buffer;
    std::size_t capacity;
    std::size_t size;
};

constexpr std::size_t kInitialOutput = 64 * 1024;

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->buffer = static_cast<unsigned char*>(std::malloc(kInitialOutput));
    if (!dest->buffer)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest->capacity = kInitialOutput;
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = dest->capacity;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t used = dest->capacity;
    auto* grown = static_cast<unsigned char*>(std::realloc(dest->buffer, 2 * dest->capacity));
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest->buffer = grown;
    dest->capacity *= 2;
    dest->pub.next_output_byte = grown + used;
    dest->pub.free_in_buffer = dest->capacity - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

// Creates the decoder, reads the header and applies the settings. Called inside
// the caller's setjmp frame: a library error jumps straight back there.
void OpenDecoder(j_decompress_ptr cinfo, const unsigned char* data, std::size_t size,
                 const JpegDecodeSettings& settings) {
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    ApplySettings(cinfo, settings);
    jpeg_calc_output_dimensions(cinfo);
}

} // namespace

int JpegImageTooBigCode() { return JERR_IMAGE_TOO_BIG; }

int JpegScanLimitFor(std::int64_t pixels) {
    if (pixels <= 0)
        return JpegScanLimit;
    return static_cast<int>(
        std::clamp<std::int64_t>(JpegScanWork / pixels, JpegMinScanLimit, JpegScanLimit));
}

int JpegReadHeader(const unsigned char* data, std::size_t size, const JpegDecodeSettings& settings,
                   JpegHeaderInfo* info) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    InitErrors(&err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return err.code;
    }
    OpenDecoder(&cinfo, data, size, settings);
    info->width = static_cast<int>(cinfo.image_width);
    info->height = static_cast<int>(cinfo.image_height);
    info->components = cinfo.num_components;
    info->colorSpace = cinfo.jpeg_color_space;
    info->multipleScans = jpeg_has_multiple_scans(&cinfo) != FALSE;
    info->outputWidth = static_cast<int>(cinfo.output_width);
    info->outputHeight = static_cast<int>(cinfo.output_height);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

int JpegReadMarkers(const unsigned char* data, std::size_t size, JpegMarkers* markers) {
    constexpr int ExifMarker = JPEG_APP0 + 1;
    constexpr int IccMarker = JPEG_APP0 + 2;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    InitErrors(&err);
    cinfo.err = &err.pub;
    *markers = {};
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(markers->exif);
        std::free(markers->icc);
        *markers = {};
        return err.code;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, ExifMarker, 0xFFFF);
    jpeg_save_markers(&cinfo, IccMarker, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (!jpeg_read_icc_profile(&cinfo, &markers->icc, &markers->iccSize)) {
        markers->icc = nullptr;
        markers->iccSize = 0;
    }
    // The first APP1 marker that holds Exif.
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != ExifMarker || m->data_length < 6 ||
            std::memcmp(m->data, "Exif\0\0", 6) != 0)
            continue;
        markers->exif = static_cast<unsigned char*>(std::malloc(m->data_length));
        if (!markers->exif)
            ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 12);
        std::memcpy(markers->exif, m->data, m->data_length);
        markers->exifSize = m->data_length;
        break;
    }
    markers->adobe = cinfo.saw_Adobe_marker != FALSE;
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

int JpegDecode(const unsigned char* data, std::size_t size, const JpegDecodeSettings& settings,
               JpegDecodeTarget* target) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanGuard progress{};
    progress.pub.progress_monitor = LimitScans;
    InitErrors(&err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        target->warnings = err.warnings;
        jpeg_destroy_decompress(&cinfo);
        return err.code;
    }
    OpenDecoder(&cinfo, data, size, settings);
    const auto pixels = static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height;
    progress.limit = JpegScanLimitFor(pixels);
    err.refuseEarlyEnd = pixels > JpegPaddedPixelLimit;
    cinfo.progress = &progress.pub;
    const int pixelBytes = settings.quantize || settings.output == JpegOutput::Gray ? 1 : 3;
    const int components = settings.output == JpegOutput::Cmyk ? 4 : pixelBytes;
    // The rows were sized from an earlier header read: never write past them.
    if (static_cast<int>(cinfo.output_width) != target->width ||
        static_cast<int>(cinfo.output_height) != target->height ||
        (!settings.quantize && cinfo.out_color_components != components) ||
        (settings.output == JpegOutput::Cmyk && (settings.quantize || !target->cmykRow)))
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != components)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    // Rows are read in batches of up to 16 (the library may hand fewer per
    // call), so that whoever follows the batches is not called row by row.
    constexpr JDIMENSION Batch = 16;
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION end = std::min<JDIMENSION>(cinfo.output_height, first + Batch);
        while (cinfo.output_scanline < end) {
            unsigned char* row =
                target->bits + static_cast<std::ptrdiff_t>(cinfo.output_scanline) * target->stride;
            if (settings.output == JpegOutput::Cmyk) {
                JSAMPROW cmyk = target->cmykRow;
                jpeg_read_scanlines(&cinfo, &cmyk, 1);
                if (target->cmykToRgb)
                    target->cmykToRgb(target->context, target->cmykRow, row, target->width);
                else
                    CmykRowToRgb(target->cmykRow, row, target->width);
            } else {
                JSAMPROW rows[Batch];
                const JDIMENSION count = end - cinfo.output_scanline;
                for (JDIMENSION i = 0; i < count; ++i)
                    rows[i] = row + static_cast<std::ptrdiff_t>(i) * target->stride;
                jpeg_read_scanlines(&cinfo, rows, count);
            }
        }
        if (target->rowsDecoded)
            target->rowsDecoded(target->context, static_cast<int>(first),
                                static_cast<int>(end - first));
    }
    if (settings.quantize) {
        target->colorCount = cinfo.actual_number_of_colors;
        for (int i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i)
            for (int c = 0; c < 3; ++c)
                target->colorMap[i][c] = cinfo.colormap[cinfo.out_color_components == 3 ? c : 0][i];
    }
    jpeg_finish_decompress(&cinfo);
    target->warnings = err.warnings;
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

int JpegEncode(const JpegEncodeSource& source, unsigned char** out, std::size_t* outSize) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    MemoryDestination dest;
    InitErrors(&err);
    std::memset(&dest, 0, sizeof dest);
    *out = nullptr;
    *outSize = 0;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(dest.buffer);
        return err.code;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(source.width);
    cinfo.image_height = static_cast<JDIMENSION>(source.height);
    // libjpeg-turbo reads 4-byte pixels itself, with the same arithmetic as for RGB.
    switch (source.layout) {
    case JpegInput::Rgb:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case JpegInput::Bgrx:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_BGRX;
        break;
    case JpegInput::Xrgb:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_XRGB;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, source.quality, TRUE);
    if (source.grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (source.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[16];
        const JDIMENSION left = cinfo.image_height - cinfo.next_scanline;
        const JDIMENSION count = left < 16 ? left : 16;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = const_cast<unsigned char*>(source.rgb) +
                      static_cast<std::ptrdiff_t>(cinfo.next_scanline + i) * source.stride;
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    *out = dest.buffer;
    *outSize = dest.size;
    return 0;
}
