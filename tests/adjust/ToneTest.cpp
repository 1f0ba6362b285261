#include "Tone.h"
#include "AdjustSupport.h"
#include "CompositionState.h"
#include "FormFixture.h"
#include "TImage.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QScrollBar>
#include <array>
#include <cmath>
#include <limits>

namespace {

TEST(ClampToByte, TestsInItsOrderAndRoundsHalvesToEven) {
    const struct {
        double x;
        int expected;
    } cases[] = {
        {300, 255},      {255, 255},   {254.5, 254}, {253.5, 254},
        {1.5, 2},        {0.5, 0},     {0, 0},       {-38.25, 0},
        {254.4995, 254}, {127.5, 128}, {126.5, 126}, {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampToByte(c.x), c.expected) << "x = " << c.x;
}

enum Pass { Contrast, Brighten, Darken };
constexpr Pass kPasses[] = {Contrast, Brighten, Darken};
const char* const kPassNames[] = {"contrast", "brighten", "darken"};

// Channel values and what each pass makes of them at strength 0.3.
struct Reference {
    int v;
    std::array<int, 3> result; // contrast, brighten, darken
};
const Reference kReference[] = {
    {0, {0, 0, 0}},         {1, {0, 16, 0}},        {29, {0, 86, 0}},       {30, {1, 87, 0}},
    {64, {45, 128, 0}},     {65, {46, 129, 1}},     {100, {92, 160, 40}},   {127, {127, 180, 74}},
    {128, {128, 181, 75}},  {200, {222, 226, 174}}, {225, {254, 240, 210}}, {226, {255, 240, 212}},
    {254, {255, 254, 254}}, {255, {255, 255, 255}},
};
constexpr int kReferenceCount = static_cast<int>(std::size(kReference));

// The parameter controls of the window, as it carries them.
class ToneControls : public ::testing::Test {
protected:
    ToneControls() {
        strength.setRange(0, 100);
        strength.setValue(30);
        progress.setRange(0, 100);
        progress.setValue(0);
    }
    void Run(Pass pass, TBitmap& bitmap) {
        if (pass == Contrast) {
            EnhanceContrast(bitmap, strength, progress);
        } else {
            darken.setChecked(pass == Darken);
            AdjustBrightness(bitmap, darken, progress);
        }
    }
    QScrollBar strength{Qt::Horizontal};
    QCheckBox darken;
    QProgressBar progress;
};

using TonePass = ToneControls;

// Every reference value in every channel and in many columns, more than one
// strip wide, so that a channel mixed up or a column skipped shows.
int ReferenceAt(int x, int y, int channel) {
    return (x + 5 * channel + 3 * y) % kReferenceCount;
}

TColor ReferenceColour(int x, int y, int column) {
    auto value = [&](int channel) {
        const Reference& r = kReference[ReferenceAt(x, y, channel)];
        return column < 0 ? r.v : r.result[static_cast<size_t>(column)];
    };
    return RGB(value(0), value(1), value(2));
}

TEST_F(TonePass, MapsEveryChannelByTheReferenceTable) {
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        for (Pass pass : kPasses) {
            SCOPED_TRACE(std::string(FormatName(format)) + " " + kPassNames[pass]);
            auto bitmap =
                MakeBitmap(format, 150, 3, [](int x, int y) { return ReferenceColour(x, y, -1); });
            const auto expected = MakeBitmap(
                format, 150, 3, [pass](int x, int y) { return ReferenceColour(x, y, pass); });
            Run(pass, *bitmap);
            EXPECT_TRUE(SamePixels(*bitmap, *expected));
        }
    }
}

TEST_F(TonePass, GreyStaysGrey) {
    for (Pass pass : kPasses) {
        SCOPED_TRACE(kPassNames[pass]);
        auto bitmap =
            MakeBitmap(TPixelFormat::pf24bit, 256, 1, [](int x, int) { return RGB(x, x, x); });
        Run(pass, *bitmap);
        for (int x = 0; x < 256; ++x) {
            const TColor c = bitmap->GetPixel(x, 0);
            EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c))
                << "grey " << x << " became 0x" << std::hex << c;
        }
    }
}

TEST_F(TonePass, ContrastKeepsOnlyItsFixedPointsAndClipsBothEnds) {
    auto bitmap =
        MakeBitmap(TPixelFormat::pf24bit, 256, 1, [](int x, int) { return RGB(x, x, x); });
    Run(Contrast, *bitmap);
    std::vector<int> kept;
    for (int v = 0; v < 256; ++v) {
        const int result = GetRValue(bitmap->GetPixel(v, 0));
        if (result == v)
            kept.push_back(v);
        if (v <= 29) {
            EXPECT_EQ(result, 0) << v;
        } else if (v >= 226) {
            EXPECT_EQ(result, 255) << v;
        }
    }
    EXPECT_EQ(kept, (std::vector<int>{0, 126, 127, 128, 129, 255}));
}

QList<QRgb> Greys(std::initializer_list<int> levels) {
    QList<QRgb> palette;
    for (int level : levels)
        palette.append(qRgb(level, level, level));
    return palette;
}

TEST_F(TonePass, PalettedResultsTakeTheNearestPaletteColour) {
    // With every grey in the palette, the results are the table's own.
    QList<QRgb> all;
    for (int level = 0; level < 256; ++level)
        all.append(qRgb(level, level, level));
    for (Pass pass : kPasses) {
        SCOPED_TRACE(std::string("all greys, ") + kPassNames[pass]);
        auto grey = [pass](int x, int) {
            const Reference& r = kReference[x % kReferenceCount];
            const int v = r.result[static_cast<size_t>(pass)];
            return RGB(v, v, v);
        };
        auto bitmap = MakeBitmap(
            TPixelFormat::pf8bit, 100, 2,
            [](int x, int) {
                const int v = kReference[x % kReferenceCount].v;
                return RGB(v, v, v);
            },
            all);
        const auto expected = MakeBitmap(TPixelFormat::pf8bit, 100, 2, grey, all);
        Run(pass, *bitmap);
        EXPECT_TRUE(SamePixels(*bitmap, *expected));
    }

    // A sparse palette moves the results: 100 brightens to 160, exactly an
    // entry, but darkens to 40, stored as 0; 160 darkens to 118, stored as 100.
    const QList<QRgb> sparse = Greys({0, 100, 160, 255});
    const struct {
        Pass pass;
        std::array<int, 4> expected; // for 0, 100, 160, 255
    } cases[] = {
        {Contrast, {0, 100, 160, 255}}, // 92 and 170 go back to their entries
        {Brighten, {0, 160, 160, 255}}, // 202 is nearer 160 than 255
        {Darken, {0, 0, 100, 255}},
    };
    const int inputs[] = {0, 100, 160, 255};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("sparse, ") + kPassNames[c.pass]);
        auto bitmap = MakeBitmap(
            TPixelFormat::pf8bit, 4, 1,
            [&](int x, int) { return RGB(inputs[x], inputs[x], inputs[x]); }, sparse);
        Run(c.pass, *bitmap);
        EXPECT_EQ(bitmap->Image().colorTable(), sparse);
        for (int x = 0; x < 4; ++x) {
            const int e = c.expected[static_cast<size_t>(x)];
            EXPECT_EQ(bitmap->GetPixel(x, 0), RGB(e, e, e)) << "input " << inputs[x];
        }
    }
}

TEST_F(TonePass, ReportsEachColumnAfterItIsDoneAndServicesMessagesBetweenColumns) {
    const int width = 150, height = 3;
    auto bitmap = MakeBitmap(TPixelFormat::pf24bit, width, height,
                             [](int, int) { return RGB(100, 100, 100); });
    std::vector<int> positions;
    QObject::connect(&progress, &QProgressBar::valueChanged,
                     [&](int v) { positions.push_back(v); });

    // At each round of servicing, the column the bar reports is complete.
    int incomplete = 0;
    ServicingProbe probe([&] {
        const int x = progress.value();
        for (int y = 0; y < height; ++y)
            if (bitmap->GetPixel(x, y) != RGB(92, 92, 92))
                ++incomplete;
    });
    Run(Contrast, *bitmap);
    const int rounds = probe.Rounds();

    EXPECT_EQ(progress.minimum(), 0);
    EXPECT_EQ(progress.maximum(), width);
    EXPECT_EQ(progress.value(), 0);
    std::vector<int> expected;
    for (int x = 1; x < width; ++x)
        expected.push_back(x);
    expected.push_back(0);
    EXPECT_EQ(positions, expected);
    EXPECT_EQ(incomplete, 0);
    EXPECT_EQ(rounds, width);
}

TEST_F(TonePass, AdjustsPhotosWithASideOf32768OrMore) {
    for (const auto& [w, h] : {std::pair{40000, 2}, std::pair{2, 40000}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        auto bitmap =
            MakeBitmap(TPixelFormat::pf24bit, w, h, [](int, int) { return RGB(100, 100, 100); });
        Run(Contrast, *bitmap);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 1, h - 1},
                                   std::pair{std::min(w - 1, 32767), std::min(h - 1, 32767)},
                                   std::pair{std::min(w - 1, 32768), std::min(h - 1, 32768)}})
            EXPECT_EQ(bitmap->GetPixel(x, y), RGB(92, 92, 92)) << "(" << x << ", " << y << ")";
        EXPECT_EQ(progress.maximum(), w);
        EXPECT_EQ(progress.value(), 0);
    }
}

// The commands of the window: the mode box set by the command, the pass
// applied again to what the last one left, the input view redrawn.
using ToneCommands = FormFixture;

TEST_F(ToneCommands, RepeatOnTheChangedPixelsAndKeepTheLastMode) {
    const struct {
        const char* name;
        std::vector<void (TForm1::*)()> clicks;
        int expected;
        bool darkenChecked;
    } cases[] = {
        {"contrast", {&TForm1::BitBtn5Click}, 92, false},
        {"contrast twice", {&TForm1::BitBtn5Click, &TForm1::BitBtn5Click}, 81, false},
        {"darken", {&TForm1::BitBtn6Click}, 40, true},
        {"brighten then darken", {&TForm1::BitBtn4Click, &TForm1::BitBtn6Click}, 118, true},
        {"darken then brighten", {&TForm1::BitBtn6Click, &TForm1::BitBtn4Click}, 101, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->CheckBox1->setChecked(false);
        Composition.WorkBitmap =
            MakeBitmap(TPixelFormat::pf24bit, 3, 2, [](int, int) { return RGB(100, 100, 100); });
        for (auto click : c.clicks)
            (form.get()->*click)();
        const TColor e = RGB(c.expected, c.expected, c.expected);
        EXPECT_EQ(Composition.WorkBitmap->GetPixel(2, 1), e);
        EXPECT_EQ(form->Image2->PictureBitmap()->GetPixel(300, 300), e)
            << "the view shows the result";
        EXPECT_EQ(form->CheckBox1->isChecked(), c.darkenChecked);
        EXPECT_EQ(form->ProgressBar1->value(), 0);
    }
}

bool AllWhite(const TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.GetPixel(x, y) != clWhite)
                return false;
    return true;
}

TEST_F(ToneCommands, TheBlankStartBitmapStaysWhiteAndTheViewShowsIt) {
    form->BitBtn5Click();
    form->BitBtn4Click();
    form->BitBtn6Click();
    ASSERT_EQ(Composition.WorkBitmap->Width(), 3200);
    ASSERT_EQ(Composition.WorkBitmap->Height(), 3200);
    EXPECT_TRUE(AllWhite(*Composition.WorkBitmap));
    TBitmap* view = form->Image2->PictureBitmap();
    EXPECT_EQ(view->Width(), 600);
    EXPECT_TRUE(AllWhite(*view));
}

} // namespace
