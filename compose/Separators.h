#pragma once
#include "CellTable.h"
#include "TRect.h"

#include <array>
#include <span>

// The white strips drawn between the cells of each layout, as drawing
// rectangles (right and bottom exclusive). Each is 5 pixels across and lies
// over a cell boundary, three pixels on the upper or left cell's side.
struct TSeparatorStrip {
    int Layout;
    TRect Strip;
};

inline constexpr std::array<TSeparatorStrip, 10> SeparatorStrips{{
    {1, {297, 0, 302, 450}},
    {2, {0, 222, 600, 227}},
    {3, {197, 0, 202, 450}},
    {3, {397, 0, 402, 450}},
    {4, {0, 147, 600, 152}},
    {4, {0, 297, 600, 302}},
    {5, {297, 0, 302, 450}},
    {5, {300, 222, 600, 227}},
    {6, {297, 0, 302, 450}},
    {6, {0, 222, 600, 227}},
}};

// The strips of a layout 0..6 (none for layout 0).
std::span<const TSeparatorStrip> LayoutSeparators(int layout);
