#pragma once
#include "CellTable.h"

#include <array>
#include <memory>

class TBitmap;
class TJPEGImage;

// The state that the window's operations share, one record for the program.
struct TCompositionState {
    int LayoutKind = 0;   // 0..6
    int PositionStep = 0; // -1..3
    int CurrentCell = 0;  // 1..18, always a cell of LayoutKind
    std::unique_ptr<TBitmap> WorkBitmap;
    TJPEGImage* JpegPicture = nullptr; // only while a photo is being opened
    int ViewRequest = 0;               // read by ShowRequestedView: non-zero asks for the input view
    std::array<TCellRect, CellCount + 1> CellRects{}; // indexed 1..18
};

extern TCompositionState Composition;

void InitCellRects();
