#pragma once
#include "TRect.h"

#include <array>
#include <span>

// A cell of the output picture: right and bottom inclusive.
struct TCellRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Columns() const { return Right - Left + 1; }
    int Rows() const { return Bottom - Top + 1; }
    friend bool operator==(const TCellRect&, const TCellRect&) = default;
};

constexpr int OutputWidth = 600;
constexpr int OutputHeight = 450;
constexpr int CellCount = 18;
constexpr int LayoutCount = 7;

// Everything known of one cell: where it lies in the 600 x 450 output picture
// (which is also the staging size and paste origin of a trimming), and its
// place in the 120 x 90 layout thumbnail (right and bottom exclusive) with the
// top-left point of its position label.
struct TCellEntry {
    int Cell;
    int Layout;
    int Position; // 1-based within the layout, the thumbnail's label
    TCellRect Output;
    TRect Thumb;
    TPoint Label;
};

inline constexpr std::array<TCellEntry, CellCount> CellEntries{{
    {1, 0, 1, {0, 0, 599, 449}, {0, 0, 120, 90}, {55, 35}},
    {2, 1, 1, {0, 0, 299, 449}, {0, 0, 60, 90}, {25, 35}},
    {3, 1, 2, {300, 0, 599, 449}, {60, 0, 120, 90}, {85, 35}},
    {4, 2, 1, {0, 0, 599, 224}, {0, 0, 120, 45}, {55, 10}},
    {5, 2, 2, {0, 225, 599, 449}, {0, 45, 120, 90}, {55, 55}},
    {6, 3, 1, {0, 0, 199, 449}, {0, 0, 40, 90}, {15, 35}},
    {7, 3, 2, {200, 0, 399, 449}, {40, 0, 80, 90}, {55, 35}},
    {8, 3, 3, {400, 0, 599, 449}, {80, 0, 120, 90}, {95, 35}},
    {9, 4, 1, {0, 0, 599, 149}, {0, 0, 120, 30}, {55, 5}},
    {10, 4, 2, {0, 150, 599, 299}, {0, 30, 120, 60}, {55, 35}},
    {11, 4, 3, {0, 300, 599, 449}, {0, 60, 120, 90}, {55, 65}},
    {12, 5, 1, {0, 0, 299, 449}, {0, 0, 60, 90}, {25, 35}},
    {13, 5, 2, {300, 0, 599, 224}, {60, 0, 120, 45}, {85, 10}},
    {14, 5, 3, {300, 225, 599, 449}, {60, 45, 120, 90}, {85, 55}},
    {15, 6, 1, {0, 0, 299, 224}, {0, 0, 60, 45}, {25, 10}},
    {16, 6, 2, {0, 225, 299, 449}, {0, 45, 60, 90}, {25, 55}},
    {17, 6, 3, {300, 0, 599, 224}, {60, 0, 120, 45}, {85, 10}},
    {18, 6, 4, {300, 225, 599, 449}, {60, 45, 120, 90}, {85, 55}},
}};

// The entry of a cell 1..18.
constexpr const TCellEntry& CellEntry(int cell) { return CellEntries[static_cast<size_t>(cell - 1)]; }

// The cells of a layout 0..6, in numbering order; the first is the one the
// layout starts with.
std::span<const TCellEntry> LayoutCells(int layout);
