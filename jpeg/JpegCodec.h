#pragma once
#include <cstddef>
#include <cstdint>

// The libjpeg calls of TJPEGImage. Each function owns only C objects, because a
// library error leaves it by longjmp; it returns 0 or the library's message code
// and always destroys its codec object. No C++ exception passes through them.

enum class JpegOutput { Rgb, Gray, Cmyk };

// A progressive file may carry any number of scans, each one a pass over the
// whole picture, so a small file can keep the decoder busy for minutes.
// Decoding stops with JERR_BAD_SCAN_SCRIPT once a file starts more scans than
// JpegScanLimitFor its size allows: at most JpegScanLimit, and fewer for large
// pictures, so that all scans together cover at most JpegScanWork pixels
// (well under a second of work), but never fewer than JpegMinScanLimit, which
// is more than encoders write.
constexpr int JpegScanLimit = 500;
constexpr int JpegMinScanLimit = 20;
constexpr std::int64_t JpegScanWork = 20 * std::int64_t{25'000'000};

// A few hundred bytes may declare a picture of hundreds of megapixels, which
// the library would pad out at the cost of seconds and gigabytes. A picture
// larger than JpegPaddedPixelLimit whose coded data ends within the first
// 1/JpegDataFraction of the rows of its first scan is refused with
// JERR_INPUT_EOF as soon as the data ends, before the decoder has touched the
// memory of the rest. A photo cut later, like a small picture cut anywhere, is
// padded as the library does: a real photo's first tenth of bytes reaches
// well past that point, even where its top rows hold three times the detail of
// the rest. A damaged byte that reads as a marker is no end where a restart
// marker follows: the library decodes on from there.
constexpr std::int64_t JpegPaddedPixelLimit = std::int64_t{4096} * 4096;
constexpr int JpegDataFraction = 32;
int JpegScanLimitFor(std::int64_t pixels);

// The library's code for a picture larger than a reader will take, for the
// refusals other readers share with JPEG.
int JpegImageTooBigCode();

struct JpegDecodeSettings {
    JpegOutput output = JpegOutput::Rgb;
    bool quantize = false; // to an 8-bit colour map
    int colors = 236;
    bool twoPass = false;       // two-pass quantiser (colour output only)
    bool orderedDither = false; // otherwise Floyd-Steinberg
    bool fastDct = false;       // otherwise the accurate integer transform
    bool smoothing = true;
    int scaleDenom = 1;
};

struct JpegHeaderInfo {
    int width = 0; // as stored
    int height = 0;
    int components = 0;
    int colorSpace = 0; // J_COLOR_SPACE of the file
    bool multipleScans = false;
    int outputWidth = 0; // with the settings applied
    int outputHeight = 0;
};

// Reads the header and computes the output size for the given settings.
int JpegReadHeader(const unsigned char* data, std::size_t size, const JpegDecodeSettings& settings,
                   JpegHeaderInfo* info);

// The markers that tell how to show the pixels, copied out of the file's
// header into malloc'ed buffers that the caller frees (null when absent).
struct JpegMarkers {
    unsigned char* exif = nullptr; // the APP1 Exif payload from its "Exif\0\0" header on
    unsigned exifSize = 0;
    unsigned char* icc = nullptr; // the ICC_PROFILE APP2 chunks put back together
    unsigned iccSize = 0;
    bool adobe = false; // an APP14 Adobe marker: four-component data is inverted
};

// Reads the header with those markers; on failure *markers holds nothing.
int JpegReadMarkers(const unsigned char* data, std::size_t size, JpegMarkers* markers);

struct JpegDecodeTarget {
    int width = 0; // rows are written only when the output has exactly this size
    int height = 0;
    unsigned char* bits = nullptr; // first row: 3 bytes (RGB, CMYK converted) or 1 byte a pixel
    std::ptrdiff_t stride = 0;
    unsigned char* cmykRow = nullptr; // width * 4 bytes, for Cmyk output
    // Filled for quantised output: the colour map as RGB triples.
    int colorCount = 0;
    std::uint8_t colorMap[256][3] = {};
    long warnings = 0;
    // Called after each batch of rows is in place, rows [first, first + count),
    // top to bottom. It runs inside the decoder's error frame, so it must not
    // throw.
    void (*rowsDecoded)(void* context, int first, int count) noexcept = nullptr;
    // When set, converts each four-component row (as the file holds it) to
    // RGB in place of the plain formula; same context and rules as above.
    void (*cmykToRgb)(void* context, const unsigned char* cmyk, unsigned char* rgb,
                      int width) noexcept = nullptr;
    void* context = nullptr;
};

int JpegDecode(const unsigned char* data, std::size_t size, const JpegDecodeSettings& settings,
               JpegDecodeTarget* target);

// Byte order of the input pixels: packed RGB, or 4 bytes a pixel as QImage's
// RGB32 lies in memory (B, G, R, X on little-endian machines).
enum class JpegInput { Rgb, Bgrx, Xrgb };

struct JpegEncodeSource {
    const unsigned char* rgb = nullptr; // top row first
    JpegInput layout = JpegInput::Rgb;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int quality = 90;
    bool grayscale = false;
    bool progressive = false;
};

// On success *out holds malloc'ed bytes for the caller to free(); on failure it
// is null.
int JpegEncode(const JpegEncodeSource& source, unsigned char** out, std::size_t* outSize);
