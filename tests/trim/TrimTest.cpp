#include "TrimTestSupport.h"
#include "PhotoMemory.h"

#include <QProgressBar>
#include <QTest>
#include <algorithm>
#include <set>
#include <vector>

namespace {

std::unique_ptr<TBitmap> SolidPhoto(int width, int height, TColor color) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    TCanvas& canvas = *bitmap->Canvas();
    canvas.Pen.Color = color;
    canvas.Brush.Color = color;
    canvas.Rectangle(0, 0, width, height);
    return bitmap;
}

struct CropCase {
    const char* name;
    int photoWidth, photoHeight, viewWidth;
    int left, top, width, height; // the frame in view coordinates
    Area crop;                    // expected, in photo pixels, inclusive
};

const CropCase kCropCases[] = {
    {"3000-wide photo in a 602 view", 3000, 2000, 602, 10, 20, 100, 75, {50, 100, 543, 468}},
    // Scale 2.5: 2.5 -> 2, 7.5 -> 8, 187.5 -> 188, 192.5 -> 192.
    {"halves to even, frame at 1", 1505, 1000, 602, 1, 1, 100, 75, {2, 2, 250, 188}},
    {"halves to even, frame at 3", 1505, 1000, 602, 3, 3, 100, 75, {8, 8, 255, 192}},
    {"start-up frame over a 3200 photo in a 600 view", 3200, 3200, 600, 80, 72, 129, 97,
     {427, 384, 1109, 896}},
    {"frame past the right and bottom edges", 1000, 800, 500, 400, 350, 150, 75, {800, 700, 1098, 848}},
};

// The pixels each layout's strips whiten, inclusive.
const std::vector<Area> kStrips[LayoutCount] = {
    {},
    {{297, 0, 301, 449}},
    {{0, 222, 599, 226}},
    {{197, 0, 201, 449}, {397, 0, 401, 449}},
    {{0, 147, 599, 151}, {0, 297, 599, 301}},
    {{297, 0, 301, 449}, {300, 222, 599, 226}},
    {{297, 0, 301, 449}, {0, 222, 599, 226}},
};

struct CellCase {
    int layout;
    int cell;
    Area area;
};

const CellCase kCells[] = {
    {0, 1, {0, 0, 599, 449}},
    {1, 2, {0, 0, 299, 449}},     {1, 3, {300, 0, 599, 449}},
    {2, 4, {0, 0, 599, 224}},     {2, 5, {0, 225, 599, 449}},
    {3, 6, {0, 0, 199, 449}},     {3, 7, {200, 0, 399, 449}},     {3, 8, {400, 0, 599, 449}},
    {4, 9, {0, 0, 599, 149}},     {4, 10, {0, 150, 599, 299}},    {4, 11, {0, 300, 599, 449}},
    {5, 12, {0, 0, 299, 449}},    {5, 13, {300, 0, 599, 224}},    {5, 14, {300, 225, 599, 449}},
    {6, 15, {0, 0, 299, 224}},    {6, 16, {0, 225, 299, 449}},    {6, 17, {300, 0, 599, 224}},
    {6, 18, {300, 225, 599, 449}},
};

bool InStrip(int layout, int x, int y) {
    return std::ranges::any_of(kStrips[layout], [&](const Area& a) { return a.Contains(x, y); });
}

constexpr TColor kMarker = clSilver; // not a colour of the coordinate photo's crops below
constexpr TColor kRed = RGB(255, 0, 0);
constexpr TColor kGreen = RGB(0, 255, 0);
constexpr TColor kBlue = RGB(0, 0, 255);

} // namespace

using Trimming = TrimFixture;

// Layout 0 stretches the crop over the whole picture with no strip: every
// pixel comes from the crop rectangle, which reaches exactly its rounded ends,
// and reads past the photo's edges give black.
TEST_F(Trimming, CropRectangleScaledBackToPhotoPixels) {
    for (const CropCase& c : kCropCases) {
        SCOPED_TRACE(c.name);
        OpenPattern(c.photoWidth, c.photoHeight, c.viewWidth);
        PlaceFrame(c.left, c.top, c.width, c.height);
        Choose(0, 1);
        FillOutput(kMarker);
        form->BitBtn3Click();

        const int lastX = std::min(c.crop.X2, c.photoWidth - 1);
        const int lastY = std::min(c.crop.Y2, c.photoHeight - 1);
        int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN, black = 0;
        std::set<int> columns;
        for (int y = 0; y < OutputHeight; ++y) {
            for (int x = 0; x < OutputWidth; ++x) {
                const TColor pixel = OutputPixel(x, y);
                const auto point = PhotoPointOf(pixel);
                if (!point) {
                    ASSERT_EQ(pixel, clBlack) << "at " << x << "," << y;
                    ++black;
                    continue;
                }
                minX = std::min(minX, point->X), maxX = std::max(maxX, point->X);
                minY = std::min(minY, point->Y), maxY = std::max(maxY, point->Y);
                if (y == 0)
                    columns.insert(point->X);
            }
        }
        EXPECT_EQ(minX, c.crop.X1);
        EXPECT_EQ(maxX, lastX);
        EXPECT_EQ(minY, c.crop.Y1);
        EXPECT_EQ(maxY, lastY);
        const bool pastEdges = lastX < c.crop.X2 || lastY < c.crop.Y2;
        EXPECT_EQ(black > 0, pastEdges);
        if (pastEdges) {
            EXPECT_EQ(OutputPixel(599, 0), clBlack);
            EXPECT_EQ(OutputPixel(0, 449), clBlack);
        }
        if (c.crop.X2 - c.crop.X1 + 1 <= OutputWidth) { // enlarged: every column shows
            EXPECT_EQ(static_cast<int>(columns.size()), lastX - c.crop.X1 + 1);
        }
        EXPECT_EQ(form->ProgressBar1->maximum(), c.crop.Y2 - c.crop.Y1 + 1) << "one step a crop row";
    }
}

// Each trimming writes its cell and the strips of its layout, nothing else.
TEST_F(Trimming, WritesOnlyTheCurrentCellThenTheLayoutsStrips) {
    OpenPattern(2000, 1500, 600);
    PlaceFrame(30, 40, 90, 60); // photo columns 100-397, rows 133-330
    const Area crop{100, 133, 397, 330};
    for (const CellCase& c : kCells) {
        SCOPED_TRACE("cell " + std::to_string(c.cell));
        Choose(c.layout, c.cell);
        FillOutput(kMarker);
        form->BitBtn3Click();
        int wrong = 0;
        for (int y = 0; y < OutputHeight; ++y) {
            for (int x = 0; x < OutputWidth; ++x) {
                const TColor pixel = OutputPixel(x, y);
                bool ok;
                if (InStrip(c.layout, x, y)) {
                    ok = pixel == clWhite;
                } else if (c.area.Contains(x, y)) {
                    const auto point = PhotoPointOf(pixel);
                    ok = point && crop.Contains(point->X, point->Y);
                } else {
                    ok = pixel == kMarker;
                }
                if (!ok && wrong++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixel;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// A new layout does not clear the picture: the earlier cells and strips stay
// where the new cell and strips do not cover them.
TEST_F(Trimming, AnotherLayoutKeepsWhatEarlierTrimmingsLeft) {
    form->Panel2->resize(600, 450);
    form->Image2->resize(600, 450);
    PlaceFrame(10, 10, 100, 150);
    const struct {
        int layout, cell;
        TColor color;
    } steps[] = {{1, 2, kRed}, {1, 3, kGreen}, {2, 4, kBlue}};
    for (const auto& step : steps) {
        Composition.WorkBitmap = SolidPhoto(1200, 900, step.color);
        Choose(step.layout, step.cell);
        form->BitBtn3Click();
    }
    const auto expected = [](int x, int y) {
        if (y <= 221)
            return kBlue; // cell 4 over both halves, the old vertical strip included
        if (y <= 226)
            return clWhite; // layout 2's strip
        if (x <= 296)
            return kRed;
        if (x <= 301)
            return clWhite; // layout 1's strip, below the new cell
        return kGreen;
    };
    for (int y = 0; y < OutputHeight; ++y)
        for (int x = 0; x < OutputWidth; ++x)
            ASSERT_EQ(OutputPixel(x, y), expected(x, y)) << "at " << x << "," << y;
}

TEST_F(Trimming, TrimmingAgainReplacesTheSameCell) {
    form->Panel2->resize(600, 450);
    form->Image2->resize(600, 450);
    PlaceFrame(50, 60, 120, 90);
    Choose(5, 13);
    Composition.PositionStep = 1;
    FillOutput(kMarker);
    for (TColor color : {kRed, kGreen}) {
        Composition.WorkBitmap = SolidPhoto(1200, 900, color);
        form->BitBtn3Click();
    }
    EXPECT_EQ(Composition.LayoutKind, 5);
    EXPECT_EQ(Composition.CurrentCell, 13);
    EXPECT_EQ(Composition.PositionStep, 1);
    EXPECT_EQ(form->SelShape1->geometry(), QRect(50, 60, 120, 90));
    for (int y = 0; y < OutputHeight; ++y) {
        for (int x = 0; x < OutputWidth; ++x) {
            const TColor expected = InStrip(5, x, y)                  ? clWhite
                                    : (x >= 300 && y <= 224)          ? kGreen
                                                                      : kMarker;
            ASSERT_EQ(OutputPixel(x, y), expected) << "at " << x << "," << y;
        }
    }
}

// The button runs the trimming: one progress step a crop row while the output
// picture is hidden, then the bar back at 0 and the output view shown,
// whichever view was on screen.
TEST_F(Trimming, ProgressPerRowThenOutputViewShown) {
    OpenPattern(1000, 800, 500); // scale 2
    PlaceFrame(10, 20, 40, 30);  // photo rows 40-98: 59 rows
    Choose(2, 5);
    for (const bool fromInput : {true, false}) {
        SCOPED_TRACE(fromInput ? "from the input view" : "from the output view");
        if (fromInput)
            form->inputimgClick();
        else
            form->outputimgClick();
        std::vector<int> values;
        bool shownDuringPass = false;
        const auto connection = QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                                                 [&](int value) {
                                                     values.push_back(value);
                                                     if (value != 0 && form->Image1->isVisible())
                                                         shownDuringPass = true;
                                                 });
        QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
        QObject::disconnect(connection);

        std::vector<int> expected;
        for (int i = 1; i < 59; ++i)
            expected.push_back(i);
        expected.push_back(0);
        EXPECT_EQ(values, expected);
        EXPECT_FALSE(shownDuringPass);
        EXPECT_EQ(form->ProgressBar1->minimum(), 0);
        EXPECT_EQ(form->ProgressBar1->maximum(), 59);
        EXPECT_EQ(form->ProgressBar1->value(), 0);
        EXPECT_TRUE(form->Panel1->isVisible());
        EXPECT_TRUE(form->Image1->isVisible());
        EXPECT_FALSE(form->Panel2->isVisible());
        EXPECT_EQ(Composition.ViewRequest, 1);
    }
}

// Before any photo the white start-up photo is cut with the 600-wide view's
// scale; the output stays white and nothing is reported.
TEST_F(Trimming, BeforeAnyPhotoCutsTheWhiteStartUpBitmap) {
    ASSERT_EQ(Composition.WorkBitmap->Width(), 3200);
    ASSERT_EQ(form->Image2->width(), 600);
    Choose(0, 1);
    FillOutput(kMarker);
    form->BitBtn3Click();
    EXPECT_EQ(form->ProgressBar1->maximum(), 513); // rows 384-896 of the photo
    for (int y = 0; y < OutputHeight; ++y)
        for (int x = 0; x < OutputWidth; ++x)
            ASSERT_EQ(OutputPixel(x, y), clWhite) << "at " << x << "," << y;
    EXPECT_TRUE(form->Image1->isVisible());
}

// A trimming whose crop the free memory cannot hold is refused with the
// message an opening refused for memory gets, in the same box, and changes
// nothing: the output picture, the view shown, the staging picture, and
// nothing is recorded to take back.
TEST_F(Trimming, ATrimmingTheMemoryCannotHoldIsRefusedWithAMessageAndChangesNothing) {
    // The frame cuts 494 x 369 photo pixels, a crop of 4 bytes a pixel.
    const std::uint64_t crop = 494 * 369 * 4;
    const struct {
        int layout, cell;
        std::uint64_t memory;
        bool trims;
    } cases[] = {
        {0, 1, MemoryReserve + crop - 1, false},
        {3, 7, MemoryReserve + crop - 1, false},
        {3, 7, MemoryReserve + crop, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << ", memory " << c.memory);
        form.reset(); // a fresh history
        form = std::make_unique<TForm1>();
        form->show();
        OpenPattern(3000, 2000, 602);
        PlaceFrame(10, 20, 100, 75);
        Choose(c.layout, c.cell);
        FillOutput(kMarker);
        form->inputimgClick();
        const QImage output = form->Image1->PictureBitmap()->Image();
        const QSize staging = form->Img1->size();
        const int request = Composition.ViewRequest;
        const bool inputShown = form->Panel2->isVisible();
        const bool outputHidden = form->Image1->isHidden();
        reports.clear();
        SetAvailableMemoryReader([&] { return c.memory; });
        form->BitBtn3Click();
        SetAvailableMemoryReader(nullptr);
        if (c.trims) {
            EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
            EXPECT_NE(form->Image1->PictureBitmap()->Image(), output);
            continue;
        }
        EXPECT_EQ(reports, QStringList{QStringLiteral("メモリが足りないため、トリミングできません (494 × 369 ピクセル、"
                                                      "必要なメモリ 1 MB、空きメモリ 0 MB)")});
        reports.clear();
        EXPECT_EQ(form->Image1->PictureBitmap()->Image(), output);
        EXPECT_EQ(form->Image1->isHidden(), outputHidden);
        EXPECT_EQ(form->Img1->size(), staging);
        EXPECT_EQ(Composition.ViewRequest, request);
        EXPECT_EQ(form->Panel2->isVisible(), inputShown);
        form->Undo();
        EXPECT_EQ(form->Image1->PictureBitmap()->Image(), output) << "nothing to take back";
    }
}
