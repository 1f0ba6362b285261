#include "DesktopSupport.h"

#include <QHelpEvent>
#include <QToolTip>

namespace {

class KeysOnWindow : public DesktopWindow {
protected:
    void SetUp() override {
        DesktopWindow::SetUp();
        answer = WritePhoto(400, 300, QStringLiteral("photo.jpg"));
        form->BitBtn2Click(); // a 602 x 452 view with the frame at (0, 0), 419 x 314
        dialogs.clear();
        ASSERT_EQ(Frame(), QRect(0, 0, 419, 314));
    }
};

} // namespace

TEST_F(KeysOnWindow, CommandKeysRunTheButtonsHandlers) {
    answer.reset();
    QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(OutputViewShown()) << "trimmed";
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs, (QList{TFileDialog::Kind::Save, TFileDialog::Kind::Open}));
    EXPECT_TRUE(InputViewShown()) << "a cancelled opening still shows the input view";
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(KeysOnWindow, ArrowsMoveTheFrameWithinThePanel) {
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers shift;
        int times;
        QRect frame;
    };
    // The panel is 602 x 452: the frame's right edge stops at 602, its bottom
    // at 452. Against the bottom the proportion rule, which keeps the bottom
    // within 450 before each step, cuts the width as it does on a mouse drag.
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 1, {1, 0, 419, 314}},
        {Qt::Key_Right, Qt::ShiftModifier, 2, {21, 0, 419, 314}},
        {Qt::Key_Down, Qt::ShiftModifier, 1, {21, 10, 419, 314}},
        {Qt::Key_Up, Qt::NoModifier, 3, {21, 7, 419, 314}},
        {Qt::Key_Up, Qt::ShiftModifier, 1, {21, 0, 419, 314}},
        {Qt::Key_Left, Qt::ShiftModifier, 3, {0, 0, 419, 314}},
        {Qt::Key_Right, Qt::ShiftModifier, 30, {602 - 419, 0, 419, 314}},
        {Qt::Key_Down, Qt::ShiftModifier, 30, {183, 452 - 310, 411, 310}},
        {Qt::Key_Left, Qt::NoModifier, 1, {182, 452 - 310, 411, 310}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(QKeySequence(s.key | s.shift).toString().toStdString());
        for (int i = 0; i < s.times; ++i)
            QTest::keyClick(form.get(), s.key, s.shift);
        EXPECT_EQ(Frame(), s.frame);
    }
}

TEST_F(KeysOnWindow, ArrowsWorkWhileAButtonHasTheFocus) {
    form->BitBtn7->setFocus();
    ASSERT_TRUE(form->BitBtn7->hasFocus());
    QTest::keyClick(form->BitBtn7, Qt::Key_Down);
    QTest::keyClick(form->BitBtn7, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Frame().topLeft(), QPoint(10, 1));
    EXPECT_TRUE(form->BitBtn7->hasFocus()) << "the arrows did not move the focus";
}

TEST_F(KeysOnWindow, AnArrowKeepsTheProportionFirstAsAMouseMoveDoes) {
    form->SelShape1->setGeometry(0, 0, 200, 100);
    QTest::keyClick(form.get(), Qt::Key_Right);
    EXPECT_EQ(Frame(), QRect(1, 0, 200, 150)) << "cell 1 is 600 x 450";

    // Near the bottom the width gives way: the height may not pass 452 - 2.
    form->SelShape1->setGeometry(0, 300, 300, 100);
    QTest::keyClick(form.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Frame(), QRect(0, 300, 200, 100));
}

TEST_F(KeysOnWindow, ArrowsLeaveAHiddenFrameAlone) {
    form->outputimgClick();
    QTest::keyClick(form.get(), Qt::Key_Right, Qt::ShiftModifier);
    form->inputimgClick();
    EXPECT_EQ(Frame(), QRect(0, 0, 419, 314));
}

TEST_F(KeysOnWindow, ButtonTipsNameTheirKeysAfterTheHint) {
    const struct {
        QWidget* button;
        const char* shown;
    } cases[] = {
        {form->BitBtn2, "写真のファイルを開きます (Ctrl+O)"},
        {form->BitBtn1, "出力写真をファイルに保存します (Ctrl+S)"},
        {form->BitBtn3, "画面上の枠でかこまれた部分を出力写真に貼り付ける (Ctrl+T)\n"
                        "元に戻す: Ctrl+Z　やり直す: Ctrl+Shift+Z / Ctrl+Y"},
        {form->BitBtn5, "入力写真のコントラストを強調する\n"
                        "元に戻す: Ctrl+Z　やり直す: Ctrl+Shift+Z / Ctrl+Y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(ToolTipShown(c.button), QString::fromUtf8(c.shown));
    }
    EXPECT_EQ(form->BitBtn2->toolTip(), QStringLiteral("写真のファイルを開きます"))
        << "the hint itself stays as it is";
}

TEST_F(KeysOnWindow, TheFrameTipFollowsTheFrameThePhotoAndTheCell) {
    // 400 pixels over a 602-pixel view: the cell gets fewer pixels than it has.
    const QString enlarged = QStringLiteral("\n拡大されます（画質が粗くなります）");
    EXPECT_EQ(ToolTipShown(form->SelShape1), QStringLiteral("279 × 209 → 600 × 450") + enlarged);

    QTest::keyClick(form.get(), Qt::Key_Right);
    EXPECT_EQ(ToolTipShown(form->SelShape1), QStringLiteral("278 × 209 → 600 × 450") + enlarged);

    // Layout 1 puts the frame at cell 2, 70 % of 299 x 449.
    form->SpeedButton1Click();
    ASSERT_EQ(Frame(), QRect(0, 0, 209, 314));
    EXPECT_EQ(ToolTipShown(form->SelShape1), QStringLiteral("139 × 209 → 300 × 450") + enlarged);

    answer = WritePhoto(4000, 3000, QStringLiteral("large.jpg"));
    form->BitBtn2Click();
    EXPECT_EQ(ToolTipShown(form->SelShape1), QStringLiteral("1383 × 2081 → 300 × 450"));
}
