#include "SelShapeTestSupport.h"
#include "TSelShape.h"

#include <QCursor>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

TEST(ClampToRect, NearestPointInsideWithInclusiveRightAndBottom) {
    const QRect area(QPoint(30, 20), QSize(600, 452)); // last pixel (629, 471)
    const std::pair<QPoint, QPoint> cases[] = {
        {{100, 100}, {100, 100}}, {{629, 471}, {629, 471}}, {{630, 472}, {629, 471}},
        {{5000, 50}, {629, 50}},  {{-7, -7}, {30, 20}},     {{100, 900}, {100, 471}},
    };
    for (const auto& [point, expected] : cases)
        EXPECT_EQ(ClampToRect(point, area), expected) << point.x() << ", " << point.y();
    EXPECT_EQ(ClampToRect(QPoint(100, 100), QRect(QPoint(30, 20), QSize(0, 0))), QPoint(30, 20));
}

TEST(PlatformConfinement, HoldsPositionsInsideAndLeavesTheOffscreenPointerAlone) {
    TPointerConfinement& platform = TPointerConfinement::Current();
    const QPoint before = QCursor::pos();
    platform.Confine(QRect(10, 10, 50, 40));
    EXPECT_EQ(platform.Confined(QPoint(500, 5)), QPoint(59, 10));
    EXPECT_EQ(QCursor::pos(), before);
    platform.Release();
    EXPECT_EQ(platform.Confined(QPoint(500, 5)), QPoint(500, 5));
}

TEST(PlatformConfinement, DragSeesThePointerHeldInsideThePanel) {
    QWidget window;
    window.resize(900, 700);
    QWidget* panel = new QWidget(&window);
    panel->setGeometry(30, 20, 600, 452);
    TSelShape* frame = new TSelShape(panel);
    frame->setGeometry(80, 72, 129, 97);
    frame->SetMaxBottom(1000); // the panel does not bound the frame: only the pointer does
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWindow* handle = window.windowHandle();

    const QPoint start = panel->mapTo(&window, QPoint(140, 166)); // bottom band
    QTest::mouseMove(handle, start);
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    QTest::mouseMove(handle, panel->mapTo(&window, QPoint(140, 650)));
    // The pointer counts as on the panel's last row, 3 rows above the edge.
    EXPECT_EQ(frame->geometry().bottom() + 1, 451 + 3);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, panel->mapTo(&window, QPoint(140, 650)));
    EXPECT_EQ(TPointerConfinement::Current().Confined(QPoint(5000, 5000)), QPoint(5000, 5000));
}

} // namespace
