#include "CompositionState.h"

#include "TBitmap.h"

TCompositionState Composition;

void InitCellRects() {
    for (const TCellSpec& spec : CellSpecs)
        Composition.CellRects[static_cast<size_t>(spec.Cell)] = spec.Output;
}
