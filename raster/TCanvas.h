#pragma once
#include "TBitmap.h"
#include "TColor.h"
#include "TFont.h"
#include "TRect.h"

#include <string>

class TBitmap;

enum class TPenStyle { psSolid, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

// The drawing surface of one bitmap. Coordinates: column X, row Y from the
// top-left pixel; rectangles are right- and bottom-exclusive.
class TCanvas {
public:
    explicit TCanvas(TBitmap& bitmap);

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TPoint PenPos;

    TColor GetPixel(int x, int y) const { return bitmap_.GetPixel(x, y); }
    void SetPixel(int x, int y, TColor color) { bitmap_.SetPixel(x, y, color); }

    // Outline with the pen, inside with the brush (left alone when clear); clipped.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }

    // ExtTextOut: top-left of the first character cell at (x, y); opaque cells
    // with a solid brush; PenPos becomes (x + width, y). Text is UTF-8.
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    // Nearest-neighbour scaling of the whole source onto r, never averaging;
    // clipped to this bitmap. A null source draws nothing.
    void StretchDraw(const TRect& r, const TBitmap* source);

    TBitmap& Bitmap() { return bitmap_; }

private:
    TBitmap& bitmap_;
};
