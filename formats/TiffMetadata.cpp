#include "EmbeddedMetadata.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tiffio.h>

namespace {

struct Source {
    const char* data;
    toff_t size;
    toff_t at;
};

tmsize_t ReadFromSource(thandle_t handle, void* out, tmsize_t count) {
    auto* source = static_cast<Source*>(handle);
    if (count < 0)
        return 0;
    const toff_t left = source->size - std::min(source->at, source->size);
    const auto n = static_cast<toff_t>(std::min<toff_t>(left, static_cast<toff_t>(count)));
    std::memcpy(out, source->data + source->at, n);
    source->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t NoWriting(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekInSource(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = source->at;
    else if (whence == SEEK_END)
        base = source->size;
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    source->at = base + offset;
    return source->at;
}

int NoClosing(thandle_t) {
    return 0;
}
toff_t SizeOfSource(thandle_t handle) {
    return static_cast<Source*>(handle)->size;
}
int NoMapping(thandle_t, void**, toff_t*) {
    return 0;
}
void NoUnmapping(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

TOrientation OrientationOf(uint16_t tag) {
    return tag >= 1 && tag <= 8 ? static_cast<TOrientation>(tag) : TOrientation::Upright;
}

} // namespace

TEmbeddedMetadata ReadTiffMetadata(const QByteArray& bytes) {
    TEmbeddedMetadata result;
    result.container = TContainer::Tiff;
    Source source{bytes.constData(), static_cast<toff_t>(bytes.size()), 0};
    const std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(
        TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options)
        return result;
    // This file's troubles are the reader's to report, not the terminal's.
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
    // "m": the bytes are read, not mapped.
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(
        TIFFClientOpenExt("photo", "rm", &source, ReadFromSource, NoWriting, SeekInSource,
                          NoClosing, SizeOfSource, NoMapping, NoUnmapping, options.get()),
        TIFFClose);
    if (!tiff)
        return result;
    uint16_t photometric = 0, bits = 8, orientation = ORIENTATION_TOPLEFT;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    if (TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric) == 1) {
        result.grey =
            photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
        result.palette = photometric == PHOTOMETRIC_PALETTE;
    }
    result.alpha = TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) == 1 &&
                   extraCount > 0;
    result.bitsPerChannel = bits;
    if (TIFFGetField(tiff.get(), TIFFTAG_ORIENTATION, &orientation) == 1)
        result.orientation = OrientationOf(orientation);
    uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &length, &profile) == 1 && profile &&
        length > 0)
        result.iccProfile =
            QByteArray(static_cast<const char*>(profile), static_cast<qsizetype>(length));
    return result;
}
