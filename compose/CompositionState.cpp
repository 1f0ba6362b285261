#include "CompositionState.h"

#include "TBitmap.h"

TCompositionState Composition;

void InitCellRects() {
    for (const TCellEntry& entry : CellEntries)
        Composition.CellRects[static_cast<size_t>(entry.Cell)] = entry.Output;
}
