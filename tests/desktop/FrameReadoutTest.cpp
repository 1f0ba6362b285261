#include "FrameReadout.h"
#include "CellTable.h"

#include <gtest/gtest.h>

namespace {

struct ReadoutCase {
    const char* name;
    QRect frame;
    int photoWidth;
    int viewWidth;
    int cell;
    int cropWidth;
    int cropHeight;
    bool enlarged;
};

const ReadoutCase kCases[] = {
    {"4000 x 3000 photo, frame at the top-left", {0, 0, 419, 314}, 4000, 602, 1, 2778, 2081, false},
    {"3000 wide, columns 50-543 and rows 100-468", {10, 20, 100, 75}, 3000, 602, 2, 494, 369, true},
    // Scale 2.5: a left edge of 1 gives 2.5 -> 2, of 3 gives 7.5 -> 8.
    {"halves to even, left 1", {1, 0, 4, 4}, 1505, 602, 15, 9, 9, true},
    {"halves to even, left 3", {3, 0, 4, 4}, 1505, 602, 15, 8, 9, true},
    {"400 x 300 photo stretched into the whole picture",
     {0, 0, 419, 314},
     400,
     602,
     1,
     279,
     209,
     true},
    {"the white start-up bitmap, designed frame", {80, 72, 129, 97}, 3200, 600, 1, 683, 513, false},
    {"pixel for pixel", {0, 0, 300, 225}, 602, 602, 15, 300, 225, false},
    {"one column short", {0, 0, 299, 225}, 602, 602, 15, 299, 225, true},
};

} // namespace

TEST(FrameReadout, TakesThePixelsTheTrimmingTakes) {
    for (const ReadoutCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const TCellRect& cell = CellEntry(c.cell).Output;
        const TFrameReadout r = ReadFrame(c.frame, c.photoWidth, c.viewWidth, cell);
        EXPECT_EQ(r.CropWidth, c.cropWidth);
        EXPECT_EQ(r.CropHeight, c.cropHeight);
        EXPECT_EQ(r.CellWidth, cell.Columns());
        EXPECT_EQ(r.CellHeight, cell.Rows());
        EXPECT_EQ(r.Enlarged(), c.enlarged);
    }
}

TEST(FrameReadout, SaysWhenTheCellIsEnlarged) {
    EXPECT_EQ(FrameReadoutText({2778, 2081, 600, 450}), QStringLiteral("2778 × 2081 → 600 × 450"));
    EXPECT_EQ(FrameReadoutText({279, 209, 600, 450}),
              QStringLiteral("279 × 209 → 600 × 450\n拡大されます（画質が粗くなります）"));
    // Enough rows do not make up for too few columns.
    EXPECT_EQ(FrameReadoutText({299, 900, 300, 225}),
              QStringLiteral("299 × 900 → 300 × 225\n拡大されます（画質が粗くなります）"));
}

TEST(FrameReadout, AViewWithoutWidthTakesNothing) {
    const TFrameReadout r = ReadFrame({0, 0, 100, 100}, 3000, 0, CellEntry(1).Output);
    EXPECT_EQ(r.CropWidth, 0);
    EXPECT_EQ(r.CropHeight, 0);
    EXPECT_TRUE(r.Enlarged());
}
