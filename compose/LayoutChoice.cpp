#include "LayoutChoice.h"

#include "CompositionState.h"
#include "FrameFitting.h"
#include "TCanvas.h"
#include "TImage.h"
#include "TLabel.h"
#include "TPanel.h"
#include "TSelShape.h"
#include "TSpeedButton.h"

#include <string>

namespace {
constexpr int ThumbnailFontSize = 16;
} // namespace

void DrawThumbnail(TImage& thumbnail, int layout, int currentCell) {
    TCanvas* canvas = thumbnail.Canvas();
    for (const TCellEntry& cell : LayoutCells(layout)) {
        canvas->Brush.Color = cell.Cell == currentCell ? clWhite : clSilver;
        canvas->Rectangle(cell.Thumb);
        canvas->TextOut(cell.Label.X, cell.Label.Y, std::to_string(cell.Position));
    }
}

void ChooseNextLayout(const TWindowControls& c) {
    Composition.PositionStep = 0;
    Composition.LayoutKind = Composition.LayoutKind >= LayoutCount - 1 ? 0 : Composition.LayoutKind + 1;

    TCanvas* canvas = c.gbImage->Canvas();
    canvas->Pen.Color = clBlack;
    c.SpeedButton2->setVisible(true);
    canvas->Brush.Color = clWhite;
    canvas->Font.Size = ThumbnailFontSize;

    const int first = LayoutCells(Composition.LayoutKind).front().Cell;
    DrawThumbnail(*c.gbImage, Composition.LayoutKind, first);
    // A single cell leaves nothing to choose.
    if (Composition.LayoutKind == 0)
        c.SpeedButton2->setVisible(false);
    Composition.CurrentCell = first;
    c.Label4->SetCaption(QStringLiteral("６００×４５０"));
    PlaceSelectionFrame(*c.SelShape1, *c.Panel2);
}

void ChooseNextPosition(const TWindowControls& c) {
    const int v = ++Composition.PositionStep;
    const auto cells = LayoutCells(Composition.LayoutKind);
    if (v >= 0 && static_cast<size_t>(v) < cells.size() && Composition.LayoutKind != 0) {
        const int cell = cells[static_cast<size_t>(v)].Cell;
        DrawThumbnail(*c.gbImage, Composition.LayoutKind, cell);
        Composition.CurrentCell = cell;
        // After the last cell the next click starts again at the first.
        if (static_cast<size_t>(v) + 1 == cells.size())
            Composition.PositionStep = -1;
    }
    PlaceSelectionFrame(*c.SelShape1, *c.Panel2);
}
