#include "CompositionState.h"
#include "FormFixture.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TSelShape.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QScrollBar>

namespace {

struct Placement {
    const char* name;
    const char* parent;
    int x, y, w, h;
};

// Where every control of the window stands, in its parent's client coordinates.
const Placement kPlacements[] = {
    {"Panel2", "Form1", 168, 48, 600, 600},      {"Image2", "Panel2", 0, 0, 600, 600},
    {"SelShape1", "Panel2", 80, 72, 129, 97},    {"Panel1", "Form1", 168, 48, 600, 450},
    {"Image1", "Panel1", 0, 0, 600, 450},        {"Img1", "Form1", 208, 216, 600, 450},
    {"TabStrip", "Form1", 168, 5, 257, 43},      {"Image5", "Form1", 168, 43, 257, 5},
    {"Image6", "Form1", 168, 43, 257, 5},        {"inputimg", "Form1", 176, 8, 113, 33},
    {"outputimg", "Form1", 304, 8, 113, 33},     {"Image7", "Form1", 14, 8, 131, 65},
    {"Image8", "Form1", 16, 16, 121, 49},        {"Image9", "Form1", 704, 6, 66, 37},
    {"Image10", "Form1", 712, 8, 49, 33},        {"GroupBox2", "Form1", 8, 88, 137, 209},
    {"SpeedButton1", "GroupBox2", 8, 16, 121, 30}, {"SpeedButton2", "GroupBox2", 8, 48, 121, 30},
    {"gbImage", "GroupBox2", 8, 88, 120, 90},    {"GroupBox3", "Form1", 8, 312, 137, 289},
    {"BitBtn2", "GroupBox3", 8, 16, 121, 30},    {"BitBtn7", "GroupBox3", 40, 48, 89, 30},
    {"BitBtn8", "GroupBox3", 40, 80, 89, 30},    {"BitBtn5", "GroupBox3", 40, 115, 89, 30},
    {"BitBtn4", "GroupBox3", 40, 147, 89, 30},   {"BitBtn6", "GroupBox3", 40, 179, 89, 30},
    {"BitBtn3", "GroupBox3", 8, 216, 121, 30},   {"BitBtn1", "GroupBox3", 8, 248, 121, 30},
    {"ProgressBar1", "Form1", 8, 608, 137, 16},  {"ScrollBar1", "Form1", 160, 624, 137, 16},
    {"CheckBox1", "Form1", 232, 656, 73, 17},
};

struct Texts {
    const char* name;
    const char* caption;
    const char* hint;
};

const Texts kTexts[] = {
    {"SpeedButton1", "\u3000分割選択", "分割画面を選択する"},
    {"SpeedButton2", "\u3000位置選択", "分割した画面の位置を選びます"},
    {"BitBtn2", "写真を開く", "写真のファイルを開きます"},
    {"BitBtn7", "右回転", ""},
    {"BitBtn8", "左回転", ""},
    {"BitBtn5", "\u3000強調", "入力写真のコントラストを強調する"},
    {"BitBtn4", "\u3000明るく", "入力写真を明るくする"},
    {"BitBtn6", "\u3000  暗く", "入力写真を暗くする"},
    {"BitBtn3", "\u3000トリミング", "画面上の枠でかこまれた部分を出力写真に貼り付ける"},
    {"BitBtn1", "写真を保存", "出力写真をファイルに保存します"},
};

bool Uniform(const TBitmap& bitmap, TColor color) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.GetPixel(x, y) != color)
                return false;
    return true;
}

} // namespace

using StartUp = FormFixture;

TEST_F(StartUp, EveryControlStandsAtItsPlace) {
    for (const Placement& p : kPlacements) {
        SCOPED_TRACE(p.name);
        auto* widget = form->findChild<QWidget*>(QString::fromLatin1(p.name));
        ASSERT_NE(widget, nullptr);
        const QWidget* parent = widget->parentWidget();
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->objectName(), QString::fromLatin1(p.parent));
        EXPECT_EQ(widget->geometry(), QRect(p.x, p.y, p.w, p.h));
    }
}

TEST_F(StartUp, CaptionsAndHintsAreTheProgramsOwn) {
    for (const Texts& t : kTexts) {
        SCOPED_TRACE(t.name);
        auto* button = form->findChild<QAbstractButton*>(QString::fromLatin1(t.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(t.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(t.hint));
        EXPECT_FALSE(button->icon().isNull()) << "every button carries a glyph";
    }
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TolvaneＳＴＤ"));
    EXPECT_EQ(form->GroupBox3->title(), QStringLiteral("Ｏｐｅｒａｔｉｏｎ"));
    EXPECT_EQ(form->size(), QSize(781, 684));
}

TEST_F(StartUp, ShowsTheInputViewWithItsStoredPicture) {
    EXPECT_TRUE(form->Panel2->isVisible());
    EXPECT_TRUE(form->Image2->isVisible());
    EXPECT_FALSE(form->Panel1->isVisible());
    EXPECT_FALSE(form->Image1->isVisibleTo(form->Panel1));
    EXPECT_TRUE(form->Image5->isVisible());
    EXPECT_FALSE(form->Image6->isVisible());
    EXPECT_EQ(Composition.ViewRequest, 0);
    EXPECT_EQ(form->Panel2->size(), QSize(600, 600));

    TBitmap* input = form->Image2->Picture().BitmapOrNull();
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->Width(), 600);
    EXPECT_EQ(input->Height(), 600);
    EXPECT_TRUE(Uniform(*input, RGB(87, 88, 93)));

    TBitmap* output = form->Image1->Picture().BitmapOrNull();
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->Width(), 600);
    EXPECT_EQ(output->Height(), 450);
    EXPECT_TRUE(Uniform(*output, clWhite));
}

TEST_F(StartUp, SetsTheCompositionStateAndTheFrame) {
    EXPECT_EQ(Composition.LayoutKind, 0);
    EXPECT_EQ(Composition.PositionStep, 0);
    EXPECT_EQ(Composition.CurrentCell, 1);
    EXPECT_EQ(Composition.CellRects[14], (TCellRect{300, 225, 599, 449}));
    ASSERT_NE(Composition.WorkBitmap, nullptr);
    EXPECT_EQ(Composition.WorkBitmap->Width(), 3200);
    EXPECT_EQ(Composition.WorkBitmap->Height(), 3200);
    EXPECT_TRUE(Uniform(*Composition.WorkBitmap, clWhite));

    EXPECT_EQ(form->SelShape1->geometry(), QRect(80, 72, 129, 97));
    EXPECT_FALSE(form->SpeedButton2->isVisibleTo(form->GroupBox2));
    EXPECT_EQ(form->Label4->text(), QStringLiteral("６００×４５０"));
    EXPECT_EQ(form->Label4->height(), 16);
    EXPECT_FALSE(form->ScrollBar1->isVisibleTo(form.get()));
    EXPECT_EQ(form->ScrollBar1->value(), 30);
    EXPECT_FALSE(form->CheckBox1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Img1->isVisibleTo(form.get()));
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

TEST_F(StartUp, DrawsTheFirstLayoutThumbnail) {
    TBitmap* thumb = form->gbImage->Picture().BitmapOrNull();
    ASSERT_NE(thumb, nullptr);
    ASSERT_EQ(thumb->Width(), 120);
    ASSERT_EQ(thumb->Height(), 90);
    // A one-pixel black outline around a white inside, the label "1" in black
    // with its cell's top-left corner at (55, 35).
    int black = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const TColor c = thumb->GetPixel(x, y);
            const bool border = x == 0 || y == 0 || x == 119 || y == 89;
            if (border) {
                ASSERT_EQ(c, clBlack) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(c == clWhite || c == clBlack) << x << "," << y;
            if (c == clBlack) {
                ++black;
                EXPECT_GE(x, 55);
                EXPECT_GE(y, 35);
                EXPECT_LT(x, 55 + 12);
                EXPECT_LT(y, 35 + 12);
            }
        }
    EXPECT_GT(black, 5) << "the label is drawn";
}
