#include "TSelShape.h"

#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Moves or presses the real pointer as a user would.
bool Xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool MovePointer(QPoint screenPos) {
    return Xdotool({"mousemove", QString::number(screenPos.x()), QString::number(screenPos.y())});
}

// Lets events arrive until the condition holds.
bool WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

std::string Describe(QPoint p) {
    return std::to_string(p.x()) + ", " + std::to_string(p.y());
}

TEST(SelShapeOnX11, DragKeepsThePointerOnThePanelAndFreesItAfterwards) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xdotool";

    QWidget window;
    window.resize(600, 450);
    QWidget* panel = new QWidget(&window);
    panel->setGeometry(50, 40, 400, 300);
    TSelShape* frame = new TSelShape(panel);
    frame->setGeometry(80, 72, 129, 97);
    frame->SetPen(TPen{clRed, 2, TPenStyle::psSolid});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect panelOnScreen(panel->mapToGlobal(QPoint(0, 0)), panel->size());

    const QPoint inside = frame->mapToGlobal(QPoint(60, 50));
    ASSERT_TRUE(MovePointer(inside));
    ASSERT_TRUE(WaitFor([&] { return frame->underMouse() && QCursor::pos() == inside; }));
    ASSERT_TRUE(Xdotool({"mousedown", "1"}));
    ASSERT_TRUE(WaitFor([&] { return frame->Grabbed(); }));

    // Far beyond the panel's right and bottom, then beyond the screen's.
    for (QPoint target : {panelOnScreen.bottomRight() + QPoint(150, 120), QPoint(1270, 1010)}) {
        SCOPED_TRACE(Describe(target));
        ASSERT_TRUE(MovePointer(target));
        EXPECT_TRUE(WaitFor([&] {
            return frame->x() + frame->width() == panel->width() &&
                   frame->y() + frame->height() == panel->height();
        })) << "frame at " << Describe(frame->pos());
        EXPECT_TRUE(WaitFor([&] { return panelOnScreen.contains(QCursor::pos()); }))
            << "pointer at " << Describe(QCursor::pos());
    }
    EXPECT_EQ(frame->size(), QSize(129, 97));

    ASSERT_TRUE(Xdotool({"mouseup", "1"}));
    ASSERT_TRUE(WaitFor([&] { return !frame->Grabbed(); }));
    const QPoint away = panelOnScreen.bottomRight() + QPoint(150, 120);
    ASSERT_TRUE(MovePointer(away));
    EXPECT_TRUE(WaitFor([&] { return QCursor::pos() == away; }))
        << "pointer at " << Describe(QCursor::pos());
}

} // namespace
