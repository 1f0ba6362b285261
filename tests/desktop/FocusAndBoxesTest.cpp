#include "DesktopSupport.h"
#include "Exceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

class FocusOnWindow : public DesktopWindow {
protected:
    void SetUp() override {
        DesktopWindow::SetUp();
        answer = WritePhoto(60, 40, QStringLiteral("photo.jpg"));
        form->BitBtn2Click();
        answer.reset();
        dialogs.clear();
    }
    TColor Corner() const { return Composition.WorkBitmap->GetPixel(0, 0); }
};

// What a message box was like while it was open.
struct BoxSeen {
    bool seen = false;
    QWidget* parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    QRect place;
};

// Looks at the first modal box to open, then closes it.
void LookAtNextBox(BoxSeen& seen) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {true, box->parentWidget(), box->windowModality(), box->frameGeometry()};
        box->accept();
        timer->deleteLater();
    });
    timer->start();
}

} // namespace

TEST_F(FocusOnWindow, ATonePassClickedWithTheMouseGivesTheFocusBackToItsButton) {
    // Brightening runs again on Space when its button has the focus back.
    form->BitBtn4->setFocus();
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(form->BitBtn4->isEnabled());
    EXPECT_TRUE(form->BitBtn4->hasFocus())
        << "not on " << QApplication::focusWidget()->objectName().toStdString();

    const TColor once = Corner();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_NE(Corner(), once) << "Space ran the pass again";
    EXPECT_TRUE(dialogs.isEmpty()) << "and did not offer the save dialog";
    EXPECT_TRUE(form->BitBtn4->hasFocus());

    for (QPushButton* button : {form->BitBtn5, form->BitBtn6}) {
        SCOPED_TRACE(button->objectName().toStdString());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(button->hasFocus());
    }
}

TEST_F(FocusOnWindow, TabWalksTheButtonsInTheirDesignedOrder) {
    const QList<QWidget*> order = {form->BitBtn2, form->BitBtn3, form->BitBtn1, form->BitBtn7,
                                   form->BitBtn8, form->BitBtn5, form->BitBtn4, form->BitBtn6};
    form->BitBtn2->setFocus();
    for (int i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i % order.size()]) << "step " << i;
    }
}

TEST_F(FocusOnWindow, MessageBoxesAreChildrenOfTheWindowOpenOverItAndModalToIt) {
    TApplication::SetErrorReporter(nullptr); // the real box
    const struct {
        const char* name;
        std::function<void()> fail;
    } cases[] = {
        {"a failed save",
         [this] {
             answer = dir.File(QStringLiteral("missing/out.jpg"));
             form->BitBtn1Click();
         }},
        {"a failure no handler caught",
         [] { TApplication::Guard([] { throw EOutOfResources("full"); }); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxSeen seen;
        LookAtNextBox(seen);
        c.fail();
        ASSERT_TRUE(seen.seen);
        EXPECT_EQ(seen.parent, form.get());
        EXPECT_EQ(seen.modality, Qt::WindowModal);
        EXPECT_TRUE(form->frameGeometry().contains(seen.place.center()))
            << "box at " << seen.place.x() << ", " << seen.place.y();
    }
}
