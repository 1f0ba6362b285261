#pragma once
#include "TColor.h"

#include <QImage>
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

    // Read-only view of the pixels, for painting, encoding and tests.
    const QImage& Image() const;
    // Replaces size, format, palette and pixels (decoder, conversions); a change.
    void SetImage(QImage image);

    // Called once when the bitmap changes after the last AcknowledgeChange(),
    // so a control can schedule one repaint for a burst of pixel writes.
    void SetOnChange(std::function<void()> onChange);
    void AcknowledgeChange();
    // Marks the bitmap changed (for writers that go around SetPixel).
    void Changed();

private:
    void MakeWritable();
    void CachePointers();

    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
    std::function<void()> onChange_;
    bool notified_ = false;
    // Scan-line cache: valid while the pixels are not shared with another bitmap.
    bool writable_ = false;
    uchar* bits_ = nullptr;
    const uchar* constBits_ = nullptr;
    qsizetype stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    friend class TCanvas;
};
