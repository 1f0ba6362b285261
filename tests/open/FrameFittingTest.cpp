#include "FrameFitting.h"
#include "InputPanel.h"
#include "OpenTestSupport.h"

#include <algorithm>
#include <vector>

namespace {

void ChooseCell(int cell) {
    Composition.LayoutKind = CellEntry(cell).Layout;
    Composition.CurrentCell = cell;
}

struct PlacedCase {
    std::vector<int> cells;
    QSize frame;
};

// 70 % of right - left and bottom - top, at the cell's top-left numbers.
const PlacedCase kPlaced[] = {
    {{1}, {419, 314}},        {{2, 3, 12}, {209, 314}},
    {{4, 5}, {419, 157}},     {{6, 7, 8}, {139, 314}},
    {{9, 10, 11}, {419, 104}}, {{13, 14, 15, 16, 17, 18}, {209, 157}},
};

struct MoveCase {
    const char* name;
    int cell;
    QSize photo;               // sizes the panel
    std::optional<QRect> start; // none: where the cell places the frame
    QSize afterFirst;          // the frame after one mouse move over it
    QSize afterSecond;         // ... and after the next
};

const MoveCase kMoves[] = {
    // round(209 x 0.75) = 157, within the 450 rows above the limit
    {"cell 14, 452-high panel", 14, {4000, 3000}, std::nullopt, {209, 157}, {209, 157}},
    // 400 x 2.25 + 10 > 600: the width is cut to round(590 / 2.25) = 262, then
    // the height follows with round(589.5) = 590
    {"ratio 2.25 cuts the width", 6, {3000, 4000}, QRect(0, 10, 400, 100), {262, 100}, {262, 590}},
    // wanted + top = 300 + 300 = 600 = limit
    {"bottom exactly on the limit", 1, {1000, 1000}, QRect(0, 300, 400, 50), {400, 300}, {400, 300}},
    // one row lower: round(299 / 0.75) = 399, whose wanted 299.25 still passes
    // the limit, so the width stays cut and the height never follows
    {"one row past the limit", 1, {1000, 1000}, QRect(0, 301, 400, 50), {399, 50}, {399, 50}},
    // round(313.5) = 314, the even neighbour
    {"cell 2 placed stays", 2, {1000, 1000}, std::nullopt, {209, 314}, {209, 314}},
    // round(312.75) = 313
    {"cell 6 placed", 6, {1000, 1000}, std::nullopt, {139, 313}, {139, 313}},
    // a top in the last two rows would leave no width: held at MinWidth 5
    {"top on the limit", 6, {1000, 1000}, QRect(0, 600, 50, 2), {5, 2}, {5, 2}},
    {"top one row above the limit", 6, {1000, 1000}, QRect(0, 599, 50, 3), {5, 3}, {5, 3}},
    // (600 - 599) / 0.25 = 4 is a width, if a narrow one: kept, and the
    // height follows to 1
    {"narrow but positive width", 9, {1000, 1000}, QRect(0, 599, 50, 3), {4, 3}, {4, 1}},
};

struct OutsideCase {
    const char* name;
    QSize photo;
    int cell;
    QRect placed;
};

// Photos whose view is narrower or shorter than a cell's top-left corner.
// Panels: 4000 x 1500 gives 602 x 227, 400 x 100 602 x 152, 400 x 200
// 602 x 302, 100 x 400 152 x 602, 300 x 400 452 x 602, 5 x 1000 5 x 602.
const OutsideCase kOutside[] = {
    // 300 >= 227: moved up to 227 - 104
    {"wide photo, bottom third", {4000, 1500}, 11, {0, 123, 419, 104}},
    {"wider photo, bottom third", {400, 100}, 11, {0, 48, 419, 104}},
    // 157 > 152: round(152 / 0.75) = 203 wide, round(152.25) = 152 high
    {"wider photo, lower right quarter", {400, 100}, 14, {300, 0, 203, 152}},
    // round(152 / 0.375) = 405, round(151.875) = 152
    {"wider photo, lower half", {400, 100}, 5, {0, 0, 405, 152}},
    // 139 fits in 152: moved left to 152 - 139
    {"tall photo, right third", {100, 400}, 8, {13, 0, 139, 314}},
    // 209 > 152: 152 wide, round(152 x 1.5) = 228 high
    {"tall photo, right half", {100, 400}, 3, {0, 0, 152, 228}},
    // only as far up as it must: the top stays
    {"tall photo, lower right quarter", {100, 400}, 18, {0, 225, 152, 114}},
    // round(5 x 1.5) = round(7.5) = 8
    {"tall thin photo, right half", {5, 1000}, 3, {0, 0, 5, 8}},
    // partly on the panel: placed at the cell's numbers
    {"tall thin photo, left cell", {5, 1000}, 2, {0, 0, 209, 314}},
    {"wide photo, lower right quarter, partly on", {4000, 1500}, 14, {300, 225, 209, 157}},
    {"wide photo, lower half, partly on", {4000, 1500}, 5, {0, 225, 419, 157}},
    {"tall photo, right half, partly on", {300, 400}, 3, {300, 0, 209, 314}},
    {"wide photo, lower half, partly on", {400, 200}, 5, {0, 225, 419, 157}},
};

} // namespace

using FrameFitting = OpenFixture;

TEST_F(FrameFitting, EveryOpeningPlacesTheFrameAtTheCurrentCell) {
    for (const PlacedCase& c : kPlaced)
        for (int cell : c.cells) {
            SCOPED_TRACE(cell);
            ChooseCell(cell);
            form->SelShape1->setGeometry(5, 6, 50, 60); // a frame the user moved
            ClickOpen(std::nullopt);
            const TCellRect& r = CellEntry(cell).Output;
            EXPECT_EQ(form->SelShape1->geometry(), QRect(QPoint(r.Left, r.Top), c.frame));
        }
}

TEST_F(FrameFitting, MouseMovesOverTheFrameKeepTheCellsProportion) {
    TSelShape& frame = *form->SelShape1;
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.name);
        ChooseCell(c.cell);
        SizeInputPanel(*form->Panel2, c.photo.width(), c.photo.height());
        PlaceSelectionFrame(frame, *form->Panel2);
        if (c.start)
            frame.setGeometry(*c.start);
        const QPoint topLeft = frame.pos();
        MoveOnFrame(frame, QPoint(1, 1));
        EXPECT_EQ(frame.size(), c.afterFirst);
        MoveOnFrame(frame, QPoint(1, 1));
        EXPECT_EQ(frame.size(), c.afterSecond);
        EXPECT_EQ(frame.pos(), topLeft) << "a move without a button only resizes";
    }
}

TEST_F(FrameFitting, TheProportionIsKeptBeforeTheDragStepOfTheSameMove) {
    TSelShape& frame = *form->SelShape1;
    ChooseCell(1);
    SizeInputPanel(*form->Panel2, 1000, 1000);
    frame.setGeometry(0, 0, 400, 300);
    const QPoint corner(398, 298); // in the bottom-right zone
    MoveOnFrame(frame, corner);
    PressOnFrame(frame, corner);
    ASSERT_TRUE(frame.Grabbed());

    // The handler still sees 400 wide and keeps 300; then the drag widens.
    MoveOnFrame(frame, corner + QPoint(20, 0), Qt::LeftButton);
    EXPECT_EQ(frame.size(), QSize(420, 300));
    // The next move, with no further drag, lets the height follow.
    MoveOnFrame(frame, corner + QPoint(20, 0), Qt::LeftButton);
    EXPECT_EQ(frame.size(), QSize(420, 315));
    ReleaseOnFrame(frame, corner + QPoint(20, 0));
}

TEST_F(FrameFitting, AFrameWhollyOffThePanelIsPlacedWhollyOnIt) {
    for (const OutsideCase& c : kOutside) {
        SCOPED_TRACE(c.name);
        ChooseCell(c.cell);
        ClickOpen(WritePhoto(c.photo.width(), c.photo.height()));
        EXPECT_EQ(form->SelShape1->geometry(), c.placed);
        const QRect panel = form->Panel2->rect();
        const QRect frame = form->SelShape1->geometry();
        const TCellRect& cell = CellEntry(c.cell).Output;
        if (panel.contains(cell.Left, cell.Top))
            EXPECT_TRUE(panel.intersects(frame)) << "partly on the panel";
        else
            EXPECT_TRUE(panel.contains(frame)) << "wholly on the panel";
    }
}
