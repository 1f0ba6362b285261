#include "Trimming.h"

#include "CompositionState.h"
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

} // namespace

void Trim(const TWindowControls& controls) {
    TImage& output = *controls.Image1;
    TImage& staging = *controls.Img1;
    output.setVisible(false); // hidden while it is rebuilt

    // The staging bitmap is made 600 x 450 by the first request of its surface
    // and keeps that size; later trimmings only draw into its top-left region.
    staging.resize(OutputWidth, OutputHeight);
    staging.Canvas();

    const TSelShape& frame = *controls.SelShape1;
    const int left = frame.Left();
    const int top = frame.Top();
    const int right = left + frame.Width() - 1;
    const int bottom = top + frame.Height() - 1;
    const TBitmap& photo = *Composition.WorkBitmap;
    const auto scale =
        static_cast<double>(static_cast<long double>(photo.Width()) / controls.Image2->width());

    if (Composition.LayoutKind == 0) {
        CropScaled(photo, output, left, top, right, bottom, scale, *controls.ProgressBar1);
    } else if (const TCellEntry* cell = CurrentLayoutCell()) {
        staging.resize(cell->Output.Columns(), cell->Output.Rows());
        CropScaled(photo, staging, left, top, right, bottom, scale, *controls.ProgressBar1);
        CopyImageInto(staging, output, cell->Output.Left, cell->Output.Top);
    }
    DrawSeparators(output, Composition.LayoutKind);
    output.setVisible(true);

    RequestView(controls, TView::Output);
    controls.ProgressBar1->setValue(0);
}

void CropScaled(const TBitmap& source, TImage& target, int left, int top, int right, int bottom,
                double scale, QProgressBar& progress) {
    const long double s = scale;
    const int x1 = Round(left * s);
    const int x2 = Round(right * s);
    const int y1 = Round(top * s);
    const int y2 = Round(bottom * s);

    const int columns = x2 - x1 + 1;
    const int rows = y2 - y1 + 1;
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
