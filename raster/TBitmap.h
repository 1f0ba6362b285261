#pragma once
#include "TColor.h"

#include <QImage>
#include <array>
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
    enum class Kind : std::uint8_t { None, Rgb888, Rgb32, Indexed8 };

    void MakeWritable();
    void CachePointers();
    void Resize(int width, int height);
    void SetDimensions(int width, int height);
    TColor FillColor() const;
    // Fills [x1, x2) x [y1, y2), clipped, with a resolved colour; no notification.
    void FillArea(int x1, int y1, int x2, int y2, TColor resolved);
    int NearestSlow(TColor resolved) const;
    bool Inside(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }

    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
    std::function<void()> onChange_;
    bool notified_ = false;
    // Scan-line cache: valid while the pixels are not shared with another bitmap
    // (or with a QImage copy taken through Image()).
    mutable bool writable_ = false;
    uchar* bits_ = nullptr;
    const uchar* constBits_ = nullptr;
    qsizetype stride_ = 0;
    int width_ = 0;
    int height_ = 0;
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
    if (!Inside(x, y))
        return clInvalid;
    const uchar* row = constBits_ + y * stride_;
    switch (kind_) {
    case Kind::Rgb888: {
        const uchar* p = row + 3 * static_cast<qsizetype>(x);
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    case Kind::Rgb32: {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * static_cast<qsizetype>(x), 4);
        return static_cast<TColor>(((v >> 16) & 0xFFu) | (v & 0xFF00u) | ((v & 0xFFu) << 16));
    }
    case Kind::Indexed8:
        return palette_[row[x]];
    case Kind::None:
        break;
    }
    return clInvalid;
}

inline int TBitmap::NearestPaletteIndex(TColor resolved) const {
    const auto key = (static_cast<std::uint32_t>(resolved) & 0xFFFFFFu) | (1u << 24);
    const std::uint32_t slot = (key * 2654435761u) >> 20;
    if (nearest_ && nearest_->keys[slot] == key)
        return nearest_->index[slot];
    return NearestSlow(resolved);
}

inline void TBitmap::SetPixel(int x, int y, TColor color) {
    if (!Inside(x, y))
        return;
    if (color < 0)
        color = ResolveColor(color);
    if (!writable_)
        MakeWritable();
    uchar* row = bits_ + y * stride_;
    switch (kind_) {
    case Kind::Rgb888: {
        uchar* p = row + 3 * static_cast<qsizetype>(x);
        p[0] = static_cast<uchar>(color);
        p[1] = static_cast<uchar>(color >> 8);
        p[2] = static_cast<uchar>(color >> 16);
        break;
    }
    case Kind::Rgb32: {
        const auto c = static_cast<std::uint32_t>(color);
        // A typed store (rows are 32-bit aligned): unlike a byte store it
        // cannot alias the bitmap's own fields.
        reinterpret_cast<std::uint32_t*>(row)[x] =
            0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        break;
    }
    case Kind::Indexed8:
        row[x] = static_cast<uchar>(NearestPaletteIndex(color));
        break;
    case Kind::None:
        return;
    }
    if (!notified_)
        Changed();
}
