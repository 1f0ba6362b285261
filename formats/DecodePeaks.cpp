#include "DecodePeaks.h"

// Slopes of peak over pixels between a 3 and a 12 megapixel file of each
// kind (bench_decode_peak, 2026-12-11), rounded up to the next tenth.

double JpegDecodeBytesPerPixel(bool grey, bool progressive) {
    // A progressive colour file's coefficients depend on its chroma
    // sampling, which is not read here: taken as unsubsampled (9.01; 6.04 at
    // 4:2:0). Baseline: 3.04 colour, 1.06 grey, below two stored copies.
    if (grey)
        return progressive ? 3.1 : 1.1;
    return progressive ? 9.1 : 3.1;
}

double HeifDecodeBytesPerPixel(int bitsPerChannel, bool alpha, bool av1, THeifChroma chroma) {
    const bool deep = bitsPerChannel > 8;
    const bool full = chroma == THeifChroma::Yuv444 || chroma == THeifChroma::Unknown;
    if (!av1) {
        // libheif makes 4:2:0 into 4:4:4 before RGB: 4:2:0 takes more than
        // 4:4:4 (8-bit 10.07 against 8.42; 10-bit 14.95 against 15.14);
        // 4:2:2 is bounded by 4:2:0. Transparency adds 2.15 (8-bit, 12.22 in
        // all) and 3.02 (10-bit, 17.97), measured at 4:2:0.
        if (deep)
            return (full ? 15.2 : 15.0) + (alpha ? 3.1 : 0.0);
        return (chroma == THeifChroma::Yuv444 ? 8.5 : 10.1) + (alpha ? 2.2 : 0.0);
    }
    // AV1: 8-bit 7.35 at 4:2:0, 13.75 at 4:4:4, 11.73 at 4:2:0 with
    // transparency (4:4:4 with transparency taken as 4:4:4 plus that much);
    // 10-bit 17.96 at 4:2:2. 4:2:2 8-bit is bounded by 4:4:4, 10-bit 4:2:0 by
    // 4:2:2; 10-bit 4:4:4 and 10-bit transparency (which Debian's aom cannot
    // write through heif-enc) by twice the 8-bit figures: two bytes a sample.
    const double alphaExtra = deep ? 8.8 : 4.4;
    double base = 0;
    if (!deep)
        base = chroma == THeifChroma::Yuv420 || chroma == THeifChroma::Monochrome ? 7.4 : 13.8;
    else
        base = full ? 27.6 : 18.0;
    return base + (alpha ? alphaExtra : 0.0);
}

double QtDecodeBytesPerPixel(const TEmbeddedMetadata& m) {
    const bool deep = m.bitsPerChannel > 8;
    switch (m.container) {
    case TContainer::Png:
        // Qt's reader makes RGB32, ARGB32, RGBX64/RGBA64, Grayscale8/16 or
        // Indexed8; then the 8-bit copy. A profile converts in place.
        if (m.palette)
            return m.alpha ? 7.1 : 5.0;
        if (m.grey && !m.alpha)
            return deep ? 5.1 : 4.1;
        if (deep)
            return m.alpha ? 12.1 : 11.1;
        return m.alpha ? 8.1 : 7.1;
    case TContainer::WebP:
        if (m.lossy)
            return m.alpha ? 8.3 : 7.3;
        return m.alpha ? 8.4 : 8.3;
    case TContainer::Tiff:
        if (m.grey && !m.alpha && !deep)
            return 4.5;
        return deep ? 12.1 : m.alpha ? 8.1 : 7.0;
    case TContainer::Unknown:
        break;
    }
    // Other files Qt reads: the most an 8-bit picture took.
    return 8.4;
}
