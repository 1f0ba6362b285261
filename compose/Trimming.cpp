#include "Trimming.h"

#include "CompositionState.h"
#include "ImageAllocation.h"
#include "PhotoMemory.h"
#include "Rounding.h"
#include "Separators.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TImage.h"
#include "TSelShape.h"
#include "ViewSwitch.h"

#include <QProgressBar>
#include <algorithm>

namespace {

// The cell of the layout that the next trimming fills, or nullptr when the
// current cell does not belong to the layout.
const TCellEntry* CurrentLayoutCell() {
    const auto cells = LayoutCells(Composition.LayoutKind);
    const auto found = std::ranges::find(cells, Composition.CurrentCell, &TCellEntry::Cell);
    return found == cells.end() ? nullptr : &*found;
}

// The frame in view coordinates (inclusive) and the scale to photo pixels.
struct TFrameCut {
    int left, top, right, bottom;
    double scale;
};

TFrameCut FrameCut(const TWindowControls& controls) {
    const TSelShape& frame = *controls.SelShape1;
    const int left = frame.Left();
    const int top = frame.Top();
    const auto scale = static_cast<double>(static_cast<long double>(Composition.WorkBitmap->Width()) /
                                           controls.Image2->width());
    return {left, top, left + frame.Width() - 1, top + frame.Height() - 1, scale};
}

// The photo pixels a cut takes: the first column and row, and how many.
struct TCropArea {
    int x1, y1, columns, rows;
};

TCropArea CropArea(int left, int top, int right, int bottom, double scale) {
    const long double s = scale;
    const int x1 = Round(left * s);
    const int y1 = Round(top * s);
    return {x1, y1, Round(right * s) - x1 + 1, Round(bottom * s) - y1 + 1};
}

} // namespace

std::uint64_t TrimmingBytes(const TWindowControls& controls) {
    if (Composition.LayoutKind != 0 && CurrentLayoutCell() == nullptr)
        return 0;
    const TFrameCut cut = FrameCut(controls);
    const TCropArea crop = CropArea(cut.left, cut.top, cut.right, cut.bottom, cut.scale);
    // The crop is a bitmap made empty, of the display format.
    return ImageBytes(crop.columns, crop.rows, QImage::Format_RGB32);
}

void CheckTrimmingMemory(const TWindowControls& controls) {
    const TFrameCut cut = FrameCut(controls);
    const TCropArea crop = CropArea(cut.left, cut.top, cut.right, cut.bottom, cut.scale);
    CheckImageMemory(TMemoryUse::Trim, crop.columns, crop.rows, TrimmingBytes(controls));
}

void Trim(const TWindowControls& controls) {
    CheckTrimmingMemory(controls);
    TImage& output = *controls.Image1;
    TImage& staging = *controls.Img1;
    output.setVisible(false); // hidden while it is rebuilt

    // The staging bitmap is made 600 x 450 by the first request of its surface
    // and keeps that size; later trimmings only draw into its top-left region.
    staging.resize(OutputWidth, OutputHeight);
    staging.Canvas();

    const TFrameCut cut = FrameCut(controls);
    const TBitmap& photo = *Composition.WorkBitmap;

    if (Composition.LayoutKind == 0) {
        CropScaled(photo, output, cut.left, cut.top, cut.right, cut.bottom, cut.scale, *controls.ProgressBar1);
    } else if (const TCellEntry* cell = CurrentLayoutCell()) {
        staging.resize(cell->Output.Columns(), cell->Output.Rows());
        CropScaled(photo, staging, cut.left, cut.top, cut.right, cut.bottom, cut.scale, *controls.ProgressBar1);
        CopyImageInto(staging, output, cell->Output.Left, cell->Output.Top);
    }
    DrawSeparators(output, Composition.LayoutKind);
    output.setVisible(true);

    RequestView(controls, TView::Output);
    controls.ProgressBar1->setValue(0);
}

void CropScaled(const TBitmap& source, TImage& target, int left, int top, int right, int bottom,
                double scale, QProgressBar& progress) {
    const auto [x1, y1, columns, rows] = CropArea(left, top, right, bottom, scale);
    TBitmap crop;
    crop.SetWidth(columns);
    crop.SetHeight(rows);
    progress.setMaximum(rows);
    progress.setMinimum(0);
    progress.setValue(0);

    // Not clipped to the photo: reads outside it give the invalid colour,
    // which the write stores as black.
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column)
            crop.SetPixel(column, row, source.GetPixel(x1 + column, y1 + row));
        progress.setValue(row);
    }

    // Over the control's size, which for the staging picture is the cell's
    // size, not its bitmap's.
    target.Canvas()->StretchDraw(Rect(0, 0, target.width(), target.height()), &crop);
}

void CopyImageInto(TImage& source, TImage& target, int offsetX, int offsetY) {
    const TCanvas& from = *source.Canvas();
    TCanvas& to = *target.Canvas();
    for (int x = 0; x < source.width(); ++x)
        for (int y = 0; y < source.height(); ++y)
            to.SetPixel(offsetX + x, offsetY + y, from.GetPixel(x, y));
}

void DrawSeparators(TImage& output, int kind) {
    TCanvas& canvas = *output.Canvas();
    canvas.Pen.Color = clWhite;
    canvas.Brush.Color = clWhite;
    for (const TSeparatorStrip& separator : LayoutSeparators(kind))
        canvas.Rectangle(separator.Strip);
}
