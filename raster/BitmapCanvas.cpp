// The part of a bitmap that owns its drawing surface: the canvas is made on
// first use, and its brush colours the area a resize adds. Kept apart from
// TBitmap.cpp so that the pixel store itself needs nothing of the canvas,
// which draws on it.
#include "TBitmap.h"
#include "TCanvas.h"

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

TCanvas* TBitmap::Canvas() {
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(*this);
    return canvas_.get();
}

bool TBitmap::HasCanvas() const { return canvas_ != nullptr; }

TColor TBitmap::FillColor() const {
    return canvas_ ? ResolveColor(canvas_->Brush.Color) : clWhite;
}
