#include "CellTable.h"

std::span<const TCellSpec> LayoutCells(int layout) {
    size_t first = 0;
    while (first < CellSpecs.size() && CellSpecs[first].Layout != layout)
        ++first;
    size_t end = first;
    while (end < CellSpecs.size() && CellSpecs[end].Layout == layout)
        ++end;
    return std::span<const TCellSpec>(CellSpecs).subspan(first, end - first);
}
