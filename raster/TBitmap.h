#pragma once
#include "TColor.h"

#include <QImage>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

class TCanvas;

// The formats that occur: 24-bit RGB (stored pictures, colour photos), 8-bit
// with a palette (grayscale photos) and the display's true colour (a bitmap
// made empty and then given a size).
enum class TPixelFormat { pf8bit, pf24bit, pf32bit };

// A bitmap over Qt's implicitly shared QImage: Format_RGB888 for 24-bit,
// Format_Indexed8 with the palette as colour table, Format_RGB32 for the display
// format. Assign shares the pixels until either side changes.
class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const;
    int Height() const;
    bool Empty() const; // no pixels: either dimension is 0

    // One dimension per call; the shared top-left area stays, the rest takes
    // the canvas brush colour (white without a canvas).
    void SetWidth(int width);
    void SetHeight(int height);

    TPixelFormat PixelFormat() const;

    // Takes size, format, palette and pixels; shared until either side changes.
    void Assign(const TBitmap& source);

    // The drawing surface, made on first use and owned by the bitmap.
    TCanvas* Canvas();
    bool HasCanvas() const;

    // Constant time, no allocation, no repaint. Outside: clInvalid / nothing.
    TColor GetPixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Read-only view of the pixels, for painting, encoding and tests. A QImage
    // copied from it stays as it is: the next pixel write detaches first.
    const QImage& Image() const;
    // Replaces size, format, palette and pixels (decoder, conversions); a change.
    // Formats other than RGB888, RGB32 and Indexed8 are converted to RGB32.
    void SetImage(QImage image);

    // Called once when the bitmap changes after the last AcknowledgeChange(),
    // so a control can schedule one repaint for a burst of pixel writes.
    void SetOnChange(std::function<void()> onChange);
    void AcknowledgeChange();
    // Marks the bitmap changed (for writers that go around SetPixel).
    void Changed();
    // Writable row y (0 <= y < Height(), not checked) for bulk writers:
    // detaches shared pixels first and counts as a change. Valid while the
    // pixels are neither shared (Image, Assign) nor replaced.
    uchar* ScanLine(int y);

    // The palette index a colour is stored as on an 8-bit bitmap: the nearest
    // entry by squared RGB distance, the lowest index on a tie.
    int NearestPaletteIndex(TColor resolved) const;

private:
    // Wider than a pixel, like the size field below: a 32-bit pixel store
    // cannot alias them, so code after a write need not read them again.
    enum class Kind : qsizetype { None, Rgb888, Rgb32, Indexed8 };

    void MakeWritable();
    // Stores a resolved colour at (x, y) of a writable bitmap of that format.
    void Store(Kind kind, int x, int y, TColor resolved);
    // The uncommon pixel writes: outside, system colours, palettes, and the
    // first write after a notification or a sharing (notifies, detaches).
    void SetPixelSlow(int x, int y, TColor color);
    void CachePointers();
    void Resize(int width, int height);
    void SetDimensions(int width, int height);
    TColor FillColor() const;
    // Fills [x1, x2) x [y1, y2), clipped, with a resolved colour; no notification.
    void FillArea(int x1, int y1, int x2, int y2, TColor resolved);
    int NearestSlow(TColor resolved) const;
    bool Inside(int x, int y) const {
        return static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(size_) &&
               static_cast<std::uint32_t>(y) < (size_ >> 32);
    }

    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
    std::function<void()> onChange_;
    bool notified_ = false;
    // Scan-line cache: valid while the pixels are not shared with another bitmap
    // (or with a QImage copy taken through Image()).
    mutable bool writable_ = false;
    // The format while the pixels are writable and the change already
    // notified, None otherwise: a pixel write needs preparing first.
    mutable Kind writeKind_ = Kind::None;
    uchar* bits_ = nullptr;
    const uchar* constBits_ = nullptr;
    qsizetype stride_ = 0;
    // Width in the low half, height in the high half: one load for a bounds test.
    std::uint64_t size_ = 0;
    Kind kind_ = Kind::None;
    // Indexed8 only: the colour table as packed colours, and a direct-mapped
    // cache of colour -> nearest index (key = colour | 1 << 24, 0 = empty).
    std::array<TColor, 256> palette_{};
    int paletteSize_ = 0;
    struct NearestCache {
        std::array<std::uint32_t, 4096> keys;
        std::array<std::uint8_t, 4096> index;
    };
    std::unique_ptr<NearestCache> nearest_;
    friend class TCanvas;
};

inline TColor TBitmap::GetPixel(int x, int y) const {
    if (!Inside(x, y)) [[unlikely]]
        return clInvalid;
    // Tests in order of frequency (colour photos, display bitmaps, grey
    // photos); an empty bitmap has no inside.
    const uchar* row = constBits_ + y * stride_;
    if (kind_ == Kind::Rgb888) [[likely]] {
        const uchar* p = row + 3 * static_cast<qsizetype>(x);
        if constexpr (std::endian::native == std::endian::little) {
            // Two loads, not three; wider ones would reach into the next pixel
            // and stall behind its pending write when a pass works in place.
            std::uint16_t low;
            std::memcpy(&low, p, 2);
            return low | (p[2] << 16);
        }
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    if (kind_ == Kind::Rgb32) {
        std::uint32_t v; // 0xAARRGGBB
        std::memcpy(&v, row + 4 * static_cast<qsizetype>(x), 4);
        return static_cast<TColor>(__builtin_bswap32(v) >> 8);
    }
    return palette_[row[x]];
}

inline int TBitmap::NearestPaletteIndex(TColor resolved) const {
    const auto key = (static_cast<std::uint32_t>(resolved) & 0xFFFFFFu) | (1u << 24);
    const std::uint32_t slot = (key * 2654435761u) >> 20;
    if (nearest_ && nearest_->keys[slot] == key)
        return nearest_->index[slot];
    return NearestSlow(resolved);
}

inline void TBitmap::Store(Kind kind, int x, int y, TColor resolved) {
    uchar* row = bits_ + y * stride_;
    switch (kind) {
    case Kind::Rgb32: {
        // 0x00BBGGRR to 0xFFRRGGBB. A typed store (rows are 32-bit aligned):
        // unlike a byte store it cannot alias the bitmap's own fields.
        const auto c = static_cast<std::uint32_t>(resolved);
        reinterpret_cast<std::uint32_t*>(row)[x] = 0xFF000000u | (__builtin_bswap32(c) >> 8);
        break;
    }
    case Kind::Rgb888: {
        uchar* p = row + 3 * static_cast<qsizetype>(x);
        p[0] = static_cast<uchar>(resolved);
        p[1] = static_cast<uchar>(resolved >> 8);
        p[2] = static_cast<uchar>(resolved >> 16);
        break;
    }
    case Kind::Indexed8:
        row[x] = static_cast<uchar>(NearestPaletteIndex(resolved));
        break;
    case Kind::None:
        break;
    }
}

inline void TBitmap::SetPixel(int x, int y, TColor color) {
    // Only the common writes inline: the loops that call this stay small.
    if (Inside(x, y) && color >= 0) [[likely]] {
        if (writeKind_ == Kind::Rgb32) {
            Store(Kind::Rgb32, x, y, color);
            return;
        }
        if (writeKind_ == Kind::Rgb888) {
            Store(Kind::Rgb888, x, y, color);
            return;
        }
    }
    SetPixelSlow(x, y, color);
}
