#include "Rotation.h"
#include "AdjustSupport.h"
#include "CompositionState.h"
#include "FormFixture.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "TApplication.h"
#include "TImage.h"
#include "TPanel.h"
#include "TSelShape.h"

#include <QPainter>
#include <QProgressBar>

namespace {

// A colour for every place, distinct within the fixtures used here, so a
// pixel put in the wrong place shows. Paletted bitmaps take palette colours.
std::function<TColor(int, int)> Distinct(TPixelFormat format, int width) {
    if (format == TPixelFormat::pf8bit) {
        const QList<QRgb> palette = ColourPalette();
        return [palette, width](int x, int y) {
            const QRgb c = palette[(x + y * width) % 256];
            return RGB(qRed(c), qGreen(c), qBlue(c));
        };
    }
    return [](int x, int y) { return RGB(x % 256, y % 256, (x / 256) * 16 + y / 256); };
}

std::unique_ptr<TBitmap> Photo(TPixelFormat format, int width, int height) {
    return MakeBitmap(format, width, height, Distinct(format, width), ColourPalette());
}

enum Turn { Right, Left };

void Apply(Turn turn, TBitmap& bitmap, QProgressBar& progress) {
    if (turn == Right)
        RotateRight(bitmap, progress);
    else
        RotateLeft(bitmap, progress);
}

// What the turn must give, placed pixel by pixel from the source: a right
// turn sends (x, y) to (H - 1 - y, x), a left turn to (y, W - 1 - x).
std::unique_ptr<TBitmap> Turned(const TBitmap& source, Turn turn) {
    const int w = source.Width(), h = source.Height();
    auto result = MakeBitmap(
        source.PixelFormat(), h, w, [](int, int) { return clBlack; }, ColourPalette());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const TColor c = source.GetPixel(x, y);
            if (turn == Right)
                result->SetPixel(h - 1 - y, x, c);
            else
                result->SetPixel(y, w - 1 - x, c);
        }
    return result;
}

const std::pair<int, int> kSizes[] = {{3, 2}, {2, 3}, {1, 1}, {1, 5}, {5, 1}, {70, 130}, {130, 70}};

TEST(QuarterTurn, MovesEveryPixelToItsPlaceInEveryFormat) {
    QProgressBar progress;
    for (TPixelFormat format : kFormats)
        for (const auto& [w, h] : kSizes)
            for (Turn turn : {Right, Left}) {
                SCOPED_TRACE(std::string(FormatName(format)) + " " + std::to_string(w) + " x " +
                             std::to_string(h) + (turn == Right ? " right" : " left"));
                auto bitmap = Photo(format, w, h);
                const auto expected = Turned(*bitmap, turn);
                Apply(turn, *bitmap, progress);
                EXPECT_TRUE(SamePixels(*bitmap, *expected)); // size, format and palette too
            }
}

TEST(QuarterTurn, OppositeTurnsAndFourTurnsGiveTheBitmapBack) {
    QProgressBar progress;
    const struct {
        const char* name;
        std::vector<Turn> turns;
    } cases[] = {
        {"right, left", {Right, Left}},
        {"left, right", {Left, Right}},
        {"four rights", {Right, Right, Right, Right}},
        {"four lefts", {Left, Left, Left, Left}},
    };
    for (TPixelFormat format : kFormats)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(FormatName(format)) + " " + c.name);
            const auto original = Photo(format, 70, 130);
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(*original);
            for (Turn turn : c.turns)
                Apply(turn, *bitmap, progress);
            EXPECT_TRUE(SamePixels(*bitmap, *original));
        }
}

TEST(QuarterTurn, PhotoSizedBitmapsTurnExactlyInEveryFormat) {
    // Large enough for the result to be made the way whole photos are.
    QProgressBar progress;
    const int w = 4000, h = 2200;
    for (TPixelFormat format : kFormats) {
        SCOPED_TRACE(FormatName(format));
        const auto original = Photo(format, w, h);
        TBitmap bitmap;
        bitmap.Assign(*original);
        RotateRight(bitmap, progress);
        ASSERT_EQ(bitmap.Width(), h);
        ASSERT_EQ(bitmap.Height(), w);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1},
                                   std::pair{w - 1, h - 1}, std::pair{1234, 567}})
            EXPECT_EQ(bitmap.GetPixel(h - 1 - y, x), original->GetPixel(x, y))
                << "(" << x << ", " << y << ")";
        RotateLeft(bitmap, progress);
        EXPECT_TRUE(SamePixels(bitmap, *original));
    }
}

TEST(QuarterTurn, PutsTheRightCornerTopLeft) {
    QProgressBar progress;
    for (TPixelFormat format : kFormats) {
        SCOPED_TRACE(FormatName(format));
        const auto source = Photo(format, 3, 2);
        auto right = Photo(format, 3, 2);
        RotateRight(*right, progress);
        EXPECT_EQ(right->GetPixel(0, 0), source->GetPixel(0, 1)) << "bottom-left";
        EXPECT_EQ(right->GetPixel(1, 0), source->GetPixel(0, 0)) << "top-left goes top-right";
        auto left = Photo(format, 3, 2);
        RotateLeft(*left, progress);
        EXPECT_EQ(left->GetPixel(0, 0), source->GetPixel(2, 0)) << "top-right";
        EXPECT_EQ(left->GetPixel(0, 2), source->GetPixel(0, 0)) << "top-left goes bottom-left";
    }
}

TEST(QuarterTurn, StepsTheBarOverTheSourceColumnsAndEndsAtZero) {
    QProgressBar progress;
    progress.setRange(0, 100);
    progress.setValue(0);
    std::vector<int> positions;
    QObject::connect(&progress, &QProgressBar::valueChanged,
                     [&](int v) { positions.push_back(v); });
    auto bitmap = Photo(TPixelFormat::pf24bit, 130, 70);
    RotateLeft(*bitmap, progress);
    std::vector<int> expected;
    for (int i = 1; i < 130; ++i)
        expected.push_back(i);
    expected.push_back(0);
    EXPECT_EQ(positions, expected);
    EXPECT_EQ(progress.maximum(), 130);
}

// The commands of the window: the bitmap turned in place, the panel sized
// for it, the view redrawn, and nothing else moved.
using TurnCommands = FormFixture;

TEST_F(TurnCommands, TurnAPhotoAndSizeThePanelForIt) {
    for (auto click : {&TForm1::BitBtn7Click, &TForm1::BitBtn8Click})
        for (bool inputShown : {true, false}) {
            const bool right = click == &TForm1::BitBtn7Click;
            SCOPED_TRACE(std::string(right ? "right" : "left") +
                         (inputShown ? ", input view" : ", output view"));
            // A 4000 x 3000 photo, red on its left half and blue on its right.
            QImage halves(4000, 3000, QImage::Format_RGB888);
            halves.fill(Qt::blue);
            QPainter(&halves).fillRect(0, 0, 2000, 3000, Qt::red);
            Composition.WorkBitmap = std::make_unique<TBitmap>();
            Composition.WorkBitmap->SetImage(halves);
            SizeInputPanel(*form->Panel2, 4000, 3000);
            ASSERT_EQ(form->Panel2->size(), QSize(602, 452));
            if (inputShown)
                form->inputimgClick();
            else
                form->outputimgClick();
            const QRect frame = form->SelShape1->geometry();

            (form.get()->*click)();

            EXPECT_EQ(Composition.WorkBitmap->Width(), 3000);
            EXPECT_EQ(Composition.WorkBitmap->Height(), 4000);
            EXPECT_EQ(form->Panel2->size(), QSize(452, 602));
            EXPECT_EQ(form->Panel2->pos(), QPoint(168, 48));
            EXPECT_EQ(form->SelShape1->geometry(), frame);
            EXPECT_EQ(form->Panel2->isVisible(), inputShown) << "the view is not switched";
            EXPECT_EQ(form->ProgressBar1->value(), 0);
            // The hidden view follows too. The left half comes on top after a
            // right turn, at the bottom after a left one.
            EXPECT_EQ(form->Image2->size(), QSize(452, 602));
            TBitmap* view = form->Image2->PictureBitmap();
            EXPECT_EQ(view->GetPixel(200, 100), right ? clRed : RGB(0, 0, 255));
            EXPECT_EQ(view->GetPixel(200, 500), right ? RGB(0, 0, 255) : clRed);
        }
}

TEST_F(TurnCommands, TheBlankStartBitmapKeepsItsSizeAndThePanelBecomesSquare) {
    form->BitBtn7Click();
    EXPECT_EQ(Composition.WorkBitmap->Width(), 3200);
    EXPECT_EQ(Composition.WorkBitmap->Height(), 3200);
    EXPECT_EQ(form->Panel2->size(), QSize(602, 602));
    TBitmap* view = form->Image2->PictureBitmap();
    for (int y = 0; y < view->Height(); ++y)
        for (int x = 0; x < view->Width(); ++x)
            ASSERT_EQ(view->GetPixel(x, y), clWhite) << "(" << x << ", " << y << ")";
}

} // namespace

namespace {

struct TurnState {
    QImage photo;
    QSize panel;
    QImage view;
    friend bool operator==(const TurnState&, const TurnState&) = default;
};

} // namespace

// A turn whose new picture the free memory cannot hold is refused with the
// message an opening refused for memory gets, in the same box, and changes
// nothing: photo, panel and view stay, and nothing is recorded to take back.
// Taking a turn back is refused the same way, and the turn stays to take back.
TEST_F(TurnCommands, ATurnTheMemoryCannotHoldIsRefusedWithAMessageAndChangesNothing) {
    QStringList titles, reports;
    TApplication::SetErrorReporter([&](const QString& title, const QString& text) {
        titles.append(title);
        reports.append(text);
    });
    const auto state = [this] {
        return TurnState{Composition.WorkBitmap->Image(), form->Panel2->size(),
                         form->Image2->PictureBitmap()->Image()};
    };
    const std::uint64_t turned = 3000 * 3 * 4000; // the 4000 x 3000 photo's new picture
    const QString refused = QStringLiteral("メモリが足りないため、この写真を回転できません (%1 ピクセル、"
                                           "必要なメモリ 35 MB、空きメモリ 34 MB)");
    const struct {
        const char* name;
        void (TForm1::*command)();
        bool takenBack; // the turn made first, then taken back
        std::uint64_t memory;
        QString message; // empty: carried out
    } cases[] = {
        {"right, a byte short", &TForm1::BitBtn7Click, false, MemoryReserve + turned - 1,
         refused.arg(QStringLiteral("4000 × 3000"))},
        {"left, a byte short", &TForm1::BitBtn8Click, false, MemoryReserve + turned - 1,
         refused.arg(QStringLiteral("4000 × 3000"))},
        {"right, just enough", &TForm1::BitBtn7Click, false, MemoryReserve + turned, {}},
        {"taking back a right turn, a byte short", &TForm1::BitBtn7Click, true, MemoryReserve + turned - 1,
         refused.arg(QStringLiteral("3000 × 4000"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset(); // a fresh history
        form = std::make_unique<TForm1>();
        form->show();
        QImage halves(4000, 3000, QImage::Format_RGB888);
        halves.fill(Qt::blue);
        QPainter(&halves).fillRect(0, 0, 2000, 3000, Qt::red);
        Composition.WorkBitmap = std::make_unique<TBitmap>();
        Composition.WorkBitmap->SetImage(halves);
        SizeInputPanel(*form->Panel2, 4000, 3000);
        if (c.takenBack)
            (form.get()->*c.command)();
        const TurnState before = state();
        reports.clear();
        titles.clear();
        SetAvailableMemoryReader([&] { return c.memory; });
        if (c.takenBack)
            form->Undo();
        else
            (form.get()->*c.command)();
        SetAvailableMemoryReader(nullptr);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(Composition.WorkBitmap->Width(), 3000);
            continue;
        }
        EXPECT_EQ(reports, QStringList{c.message});
        EXPECT_EQ(titles, QStringList{QStringLiteral("Tolvane")});
        EXPECT_TRUE(state() == before) << "photo, panel or view changed";
        EXPECT_EQ(form->ProgressBar1->value(), 0);
        // With the memory back, a refused turn has nothing to take back, and
        // a refused taking back is still there to take.
        form->Undo();
        EXPECT_EQ(Composition.WorkBitmap->Width(), 4000);
        EXPECT_EQ(form->Panel2->size(), QSize(602, 452));
    }
    TApplication::SetErrorReporter(nullptr);
}
