#include "CellTable.h"

std::span<const TCellEntry> LayoutCells(int layout) {
    size_t first = 0;
    while (first < CellEntries.size() && CellEntries[first].Layout != layout)
        ++first;
    size_t end = first;
    while (end < CellEntries.size() && CellEntries[end].Layout == layout)
        ++end;
    return std::span<const TCellEntry>(CellEntries).subspan(first, end - first);
}
