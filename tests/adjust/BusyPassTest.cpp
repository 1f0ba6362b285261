#include "AdjustSupport.h"
#include "CompositionState.h"
#include "FormFixture.h"
#include "TFileDialog.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// While a tone pass services messages, clicks queued before it arrive in its
// middle. The photo is wide enough for many rounds of servicing.
class BusyWindow : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        Reset();
        TFileDialog::SetAnswerer([this](const TFileDialog&) -> std::optional<QString> {
            ++dialogs;
            return std::nullopt;
        });
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        FormFixture::TearDown();
    }

    void Reset() {
        Composition.WorkBitmap =
            MakeBitmap(TPixelFormat::pf24bit, 200, 3, [](int, int) { return RGB(100, 100, 100); });
        form->inputimgClick();
        form->CheckBox1->setChecked(false);
        dialogs = 0;
        looked = commandsDisabled = saveEnabled = visible = false;
    }

    QList<QPushButton*> Commands() const {
        return {form->BitBtn2, form->BitBtn7, form->BitBtn8, form->BitBtn5,
                form->BitBtn4, form->BitBtn6, form->BitBtn3};
    }
    bool AllEnabled(bool enabled) const {
        for (QPushButton* b : Commands())
            if (b->isEnabled() != enabled)
                return false;
        return true;
    }
    // Queued behind whatever the test queued: sees the window as it is in
    // the middle of the pass.
    void QueueLook() {
        QMetaObject::invokeMethod(
            form.get(),
            [this] {
                looked = true;
                commandsDisabled = AllEnabled(false);
                saveEnabled = form->BitBtn1->isEnabled();
                visible = form->isVisible();
            },
            Qt::QueuedConnection);
    }
    // The result of exactly one contrast pass over the whole photo.
    ::testing::AssertionResult OnePassApplied() const {
        const auto expected =
            MakeBitmap(TPixelFormat::pf24bit, 200, 3, [](int, int) { return RGB(92, 92, 92); });
        return SamePixels(*Composition.WorkBitmap, *expected);
    }

    int dialogs = 0;
    bool looked = false, commandsDisabled = false, saveEnabled = false, visible = false;
};

TEST_F(BusyWindow, CommandsQueuedDuringAPassAreIgnored) {
    const char* const commands[] = {"BitBtn7Click", "BitBtn8Click", "BitBtn2Click", "BitBtn5Click",
                                    "BitBtn4Click", "BitBtn6Click", "BitBtn3Click"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        Reset();
        ASSERT_TRUE(QMetaObject::invokeMethod(form.get(), command, Qt::QueuedConnection));
        QueueLook();

        form->BitBtn5Click();

        EXPECT_TRUE(looked) << "the queued events were delivered during the pass";
        EXPECT_TRUE(commandsDisabled);
        EXPECT_TRUE(saveEnabled) << "saving does not touch the photo";
        EXPECT_TRUE(OnePassApplied());
        EXPECT_EQ(dialogs, 0);
        EXPECT_TRUE(form->Panel2->isVisible()) << "no trimming switched to the output view";
        EXPECT_FALSE(form->CheckBox1->isChecked());
        EXPECT_TRUE(AllEnabled(true)) << "enabled again after the pass";
    }
}

TEST_F(BusyWindow, AClickOnADisabledButtonDuringAPassDoesNothing) {
    const QPoint centre = form->BitBtn7->rect().center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            form->BitBtn7, new QMouseEvent(type, centre, form->BitBtn7->mapToGlobal(centre),
                                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QueueLook();
    form->BitBtn5Click();
    EXPECT_TRUE(looked);
    EXPECT_TRUE(OnePassApplied());
}

TEST_F(BusyWindow, ClosingDuringAPassWaitsForItsEnd) {
    ASSERT_TRUE(QMetaObject::invokeMethod(form.get(), "close", Qt::QueuedConnection));
    QueueLook();

    form->BitBtn6Click(); // darken: 100 becomes 40

    EXPECT_TRUE(looked);
    EXPECT_TRUE(visible) << "the window stays while the pass runs";
    EXPECT_FALSE(form->isVisible()) << "and closes once it has ended";
    ASSERT_NE(Composition.WorkBitmap, nullptr);
    const auto expected =
        MakeBitmap(TPixelFormat::pf24bit, 200, 3, [](int, int) { return RGB(40, 40, 40); });
    EXPECT_TRUE(SamePixels(*Composition.WorkBitmap, *expected));
}

TEST_F(BusyWindow, ClosingWithoutAPassIsAtOnce) {
    form->BitBtn5Click();
    EXPECT_TRUE(form->isVisible());
    form->close();
    EXPECT_FALSE(form->isVisible());
}

} // namespace
