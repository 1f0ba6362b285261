#include "CompositionState.h"
#include "FormFixture.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TSelShape.h"

#include <QTest>

namespace {

void ClickLayout(TForm1& form) { QTest::mouseClick(form.SpeedButton1, Qt::LeftButton); }
void ClickPosition(TForm1& form) { QTest::mouseClick(form.SpeedButton2, Qt::LeftButton); }

// The frame a cell gets: its top-left numbers, 70 % of its extent.
QRect PlacedFrame(int cell) {
    const TCellRect& r = CellEntry(cell).Output;
    return QRect(r.Left, r.Top, qRound((r.Right - r.Left) * 0.7), qRound((r.Bottom - r.Top) * 0.7));
}

struct Step {
    int cell;
    int positionStep;
};

struct SequenceCase {
    int layout;
    std::vector<Step> afterPositionClicks;
};

const SequenceCase kSequences[] = {
    {1, {{3, -1}, {2, 0}, {3, -1}}},
    {2, {{5, -1}, {4, 0}, {5, -1}}},
    {3, {{7, 1}, {8, -1}, {6, 0}, {7, 1}}},
    {4, {{10, 1}, {11, -1}, {9, 0}, {10, 1}}},
    {5, {{13, 1}, {14, -1}, {12, 0}, {13, 1}}},
    {6, {{16, 1}, {17, 2}, {18, -1}, {15, 0}, {16, 1}}},
};

} // namespace

using LayoutChoice = FormFixture;

TEST_F(LayoutChoice, SevenLayoutClicksComeBackToTheSingleCell) {
    const int firstCells[] = {2, 4, 6, 9, 12, 15, 1};
    for (int i = 0; i < 7; ++i) {
        ClickLayout(*form);
        const int layout = (i + 1) % 7;
        EXPECT_EQ(Composition.LayoutKind, layout);
        EXPECT_EQ(Composition.CurrentCell, firstCells[i]);
        EXPECT_EQ(Composition.PositionStep, 0);
        EXPECT_EQ(form->SpeedButton2->isVisible(), layout != 0);
        EXPECT_EQ(form->Label4->text(), QStringLiteral("６００×４５０"));
    }
}

TEST_F(LayoutChoice, PositionClicksVisitTheCellsInOrder) {
    for (const SequenceCase& c : kSequences) {
        SCOPED_TRACE(c.layout);
        while (Composition.LayoutKind != c.layout)
            ClickLayout(*form);
        EXPECT_EQ(Composition.PositionStep, 0);
        for (const Step& step : c.afterPositionClicks) {
            ClickPosition(*form);
            EXPECT_EQ(Composition.CurrentCell, step.cell);
            EXPECT_EQ(Composition.PositionStep, step.positionStep);
        }
        // A layout click starts the layout again at its first cell.
        ClickLayout(*form);
        EXPECT_EQ(Composition.PositionStep, 0);
    }
}

TEST_F(LayoutChoice, EveryClickPutsTheFrameBackAtTheCell) {
    for (int i = 0; i < 6; ++i) {
        ClickLayout(*form);
        form->SelShape1->SetLeft(3);
        form->SelShape1->SetWidth(50);
        ClickPosition(*form);
        EXPECT_EQ(form->SelShape1->geometry(), PlacedFrame(Composition.CurrentCell));
    }
    ClickLayout(*form); // back to the single cell
    EXPECT_EQ(form->SelShape1->geometry(), QRect(0, 0, 419, 314));
}

TEST_F(LayoutChoice, TheThumbnailShowsTheLayoutWithTheCurrentCellWhite) {
    // Layout 6, third position click: cell 17 (upper right quarter) is current.
    while (Composition.LayoutKind != 6)
        ClickLayout(*form);
    ClickPosition(*form);
    ClickPosition(*form);
    ASSERT_EQ(Composition.CurrentCell, 17);
    const TBitmap& thumb = *form->gbImage->Picture().BitmapOrNull();

    struct Probe {
        int x, y;
        TColor color;
    };
    const Probe probes[] = {
        {0, 0, clBlack},      {59, 10, clBlack},    {60, 10, clBlack},   {119, 89, clBlack},
        {10, 44, clBlack},    {10, 45, clBlack},    {5, 5, clSilver},    {5, 50, clSilver},
        {110, 80, clSilver},  {65, 5, clWhite},     {110, 40, clWhite},  {84, 9, clWhite},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(thumb.GetPixel(p.x, p.y), p.color) << p.x << "," << p.y;

    // Each label is drawn in black at its point, on its own cell's fill.
    const std::pair<QPoint, TColor> labels[] = {
        {{25, 10}, clSilver}, {{25, 55}, clSilver}, {{85, 10}, clWhite}, {{85, 55}, clSilver}};
    for (const auto& [point, fill] : labels) {
        int black = 0;
        for (int y = point.y(); y < point.y() + 21; ++y)
            for (int x = point.x(); x < point.x() + 14; ++x) {
                const TColor c = thumb.GetPixel(x, y);
                EXPECT_TRUE(c == clBlack || c == fill) << x << "," << y;
                black += c == clBlack;
            }
        EXPECT_GT(black, 10) << "a label at " << point.x() << "," << point.y();
    }
}

TEST_F(LayoutChoice, TheButtonsLeaveTheOutputPictureAlone) {
    TBitmap& output = *form->Image1->Picture().BitmapOrNull();
    output.SetPixel(10, 10, clRed);
    for (int i = 0; i < 9; ++i) {
        ClickLayout(*form);
        if (form->SpeedButton2->isVisible())
            ClickPosition(*form);
    }
    EXPECT_EQ(output.GetPixel(10, 10), clRed);
    EXPECT_EQ(output.GetPixel(300, 225), clWhite);
}
