#pragma once
#include "CellTable.h"

#include <QRect>
#include <QString>

// What a trimming with the frame where it stands would take and give: the
// photo pixels inside the frame, by the trimming's own scale and rounding,
// and the size of the cell they are stretched over.
struct TFrameReadout {
    int CropWidth = 0;
    int CropHeight = 0;
    int CellWidth = 0;
    int CellHeight = 0;

    // The cell has more pixels than the crop along a side: the trimming
    // enlarges the photo there and the cell comes out soft.
    bool Enlarged() const { return CropWidth < CellWidth || CropHeight < CellHeight; }
};

// frame: the frame's rectangle in view coordinates; the scale is photoWidth
// over viewWidth, as the trimming takes it. A view without width gives an
// empty crop.
TFrameReadout ReadFrame(const QRect& frame, int photoWidth, int viewWidth, const TCellRect& cell);

// "2778 × 2081 → 600 × 450", with a second line when the cell is enlarged.
QString FrameReadoutText(const TFrameReadout& readout);
