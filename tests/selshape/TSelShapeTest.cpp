#include "SelShapeTestSupport.h"
#include "TSelShape.h"

#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

const TSelOpt NoResizeX = AllSelOptions - TSelOpt{TSelOptSet::ResizeX};
const TSelOpt NoResizeY = AllSelOptions - TSelOpt{TSelOptSet::ResizeY};
const TSelOpt NoResize = TSelOpt{TSelOptSet::MoveX, TSelOptSet::MoveY};
const TSelOpt NoMove = TSelOpt{TSelOptSet::ResizeX, TSelOptSet::ResizeY};
const TSelOpt NoMoveX = AllSelOptions - TSelOpt{TSelOptSet::MoveX};

const QRect StartRect(80, 72, 129, 97);

// The input panel of the main window (600 x 452, away from the window's
// corner so that panel and screen coordinates differ) with the frame at its
// designed place. Pointer positions are given in panel coordinates and go
// through the window, as the platform would deliver them.
class SelShapeTest : public ::testing::Test {
protected:
    SelShapeTest() : confinement_(log_) {
        TPointerConfinement::SetCurrent(&confinement_);
        window_.resize(900, 700);
        panel_ = new QWidget(&window_);
        panel_->setGeometry(30, 20, 600, 452);
        frame_ = new TSelShape(panel_);
        frame_->setGeometry(StartRect);
        frame_->SetPen(TPen{clRed, 2, TPenStyle::psSolid});
        QObject::connect(frame_, &TShape::OnMouseDown, [this] { log_.push_back("down"); });
        QObject::connect(frame_, &TShape::OnMouseUp, [this] { log_.push_back("up"); });
        QObject::connect(frame_, &TShape::OnMouseMove, [this] {
            moveHandlerSaw_.push_back(frame_->geometry());
            if (onMove_)
                onMove_();
        });
        window_.show();
    }

    ~SelShapeTest() override {
        for (Qt::MouseButton button : held_)
            QTest::mouseRelease(window_.windowHandle(), button, {}, QPoint(1, 1));
        TPointerConfinement::SetCurrent(nullptr);
    }

    void SetUp() override { ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_)); }

    QPoint InWindow(QPoint panelPos) const { return panel_->mapTo(&window_, panelPos); }
    // Where a point of the frame lies in the panel now.
    QPoint OfFrame(int x, int y) const { return frame_->mapTo(panel_, QPoint(x, y)); }

    void MoveTo(QPoint p) { QTest::mouseMove(window_.windowHandle(), InWindow(p)); }
    void Press(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(window_.windowHandle(), button, {}, InWindow(p));
        held_.insert(button);
    }
    void Release(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(window_.windowHandle(), button, {}, InWindow(p));
        held_.erase(button);
    }
    // Hovers over a point of the frame, presses there, moves by delta, releases.
    void Drag(QPoint framePoint, QPoint delta, Qt::MouseButton button = Qt::LeftButton) {
        const QPoint start = OfFrame(framePoint.x(), framePoint.y());
        MoveTo(start);
        Press(start, button);
        MoveTo(start + delta);
        Release(start + delta, button);
    }

    std::vector<std::string> log_;
    TRecordingConfinement confinement_;
    QWidget window_;
    QWidget* panel_;
    TSelShape* frame_;
    std::vector<QRect> moveHandlerSaw_;
    std::function<void()> onMove_;
    std::set<Qt::MouseButton> held_;
};

TEST_F(SelShapeTest, ConstructionDefaultsAndPropertiesByName) {
    TSelShape fresh;
    const std::pair<const char*, int> defaults[] = {
        {"SizeSense", 5}, {"MinWidth", 5}, {"MinHeight", 5}, {"MinTop", 0}, {"MinLeft", 0},
        {"MaxBottom", 0}, {"MaxRight", 0}, {"SelOption", 15}, {"BrushStyle", 1}, {"Cursor", 0},
    };
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(fresh.property(name).toInt(), value) << name;
    EXPECT_EQ(fresh.size(), QSize(65, 65));
    EXPECT_FALSE(fresh.Grabbed());
    EXPECT_EQ(fresh.HitZone(), hzMove);

    // The window description sets the limits by name; they are plain values.
    fresh.setProperty("MinWidth", QVariant(100));
    fresh.setProperty("MaxRight", QVariant(20));
    fresh.setProperty("SelOption", QVariant(0x1A));
    EXPECT_EQ(fresh.MinWidth(), 100);
    EXPECT_EQ(fresh.MaxRight(), 20);
    EXPECT_EQ(fresh.SelOption(), (TSelOpt{TSelOptSet::ResizeY, TSelOptSet::MoveY}));
    EXPECT_EQ(fresh.size(), QSize(65, 65));
}

TEST(TSelOpt, OneBitPerMemberInDeclarationOrder) {
    EXPECT_EQ(TSelOpt{TSelOptSet::ResizeX}.Bits(), 1);
    EXPECT_EQ(TSelOpt{TSelOptSet::ResizeY}.Bits(), 2);
    EXPECT_EQ(TSelOpt{TSelOptSet::MoveX}.Bits(), 4);
    EXPECT_EQ(TSelOpt{TSelOptSet::MoveY}.Bits(), 8);
    EXPECT_EQ(AllSelOptions.Bits(), 15);
    EXPECT_EQ(NoResizeX.Bits(), 14);
    TSelOpt set = TSelOpt::FromBits(0xF5);
    EXPECT_EQ(set.Bits(), 5);
    EXPECT_TRUE(set.Contains(TSelOptSet::MoveX));
    EXPECT_FALSE(set.Exclude(TSelOptSet::MoveX).Contains(TSelOptSet::MoveX));
    EXPECT_EQ((set * TSelOpt{TSelOptSet::ResizeX, TSelOptSet::MoveY}).Bits(), 1);
}

TEST_F(SelShapeTest, ZoneAndCursorUnderThePointer) {
    struct Case {
        const char* name;
        TSelOpt options;
        int sense;
        QSize size;
        QPoint at;
        THitZone zone;
        TCursor cursor;
    };
    const QSize designed(129, 97);
    const Case cases[] = {
        {"left band's last column", AllSelOptions, 5, designed, {5, 50}, hzLeft, crSizeWE},
        {"right of the left band", AllSelOptions, 5, designed, {6, 50}, hzMove, crDefault},
        {"right band's first column", AllSelOptions, 5, designed, {124, 50}, hzRight, crSizeWE},
        {"left of the right band", AllSelOptions, 5, designed, {123, 50}, hzMove, crDefault},
        {"top band's last row", AllSelOptions, 5, designed, {60, 5}, hzTop, crSizeNS},
        {"below the top band", AllSelOptions, 5, designed, {60, 6}, hzMove, crDefault},
        {"bottom band's first row", AllSelOptions, 5, designed, {60, 92}, hzBottom, crSizeNS},
        {"above the bottom band", AllSelOptions, 5, designed, {60, 91}, hzMove, crDefault},
        {"top left", AllSelOptions, 5, designed, {5, 5}, hzTopLeft, crSizeNWSE},
        {"top right", AllSelOptions, 5, designed, {124, 0}, hzTopRight, crSizeNESW},
        {"bottom right", AllSelOptions, 5, designed, {128, 96}, hzBottomRight, crSizeNWSE},
        {"bottom left", AllSelOptions, 5, designed, {0, 92}, hzBottomLeft, crSizeNESW},
        {"no ResizeX: left side", NoResizeX, 5, designed, {2, 50}, hzMove, crDefault},
        {"no ResizeX: right side", NoResizeX, 5, designed, {126, 50}, hzMove, crDefault},
        {"no ResizeX: top left", NoResizeX, 5, designed, {2, 2}, hzTop, crSizeNS},
        {"no ResizeX: top right", NoResizeX, 5, designed, {126, 2}, hzTop, crSizeNS},
        {"no ResizeX: bottom right", NoResizeX, 5, designed, {126, 94}, hzBottom, crSizeNS},
        {"no ResizeX: bottom left", NoResizeX, 5, designed, {2, 94}, hzBottom, crSizeNS},
        {"no ResizeY: top", NoResizeY, 5, designed, {60, 2}, hzMove, crDefault},
        {"no ResizeY: bottom", NoResizeY, 5, designed, {60, 94}, hzMove, crDefault},
        {"no ResizeY: top left", NoResizeY, 5, designed, {2, 2}, hzLeft, crSizeWE},
        {"no ResizeY: bottom right", NoResizeY, 5, designed, {126, 94}, hzRight, crSizeWE},
        {"no resizing: corner", NoResize, 5, designed, {2, 2}, hzMove, crDefault},
        {"no moving: inside", NoMove, 5, designed, {60, 50}, hzMove, crDefault},
        {"no moving: corner", NoMove, 5, designed, {2, 2}, hzTopLeft, crSizeNWSE},
        {"narrow: left and top win", AllSelOptions, 5, {8, 8}, {4, 4}, hzTopLeft, crSizeNWSE},
        {"narrow: past them", AllSelOptions, 5, {8, 8}, {6, 6}, hzBottomRight, crSizeNWSE},
        {"negative sense: corner", AllSelOptions, -1, designed, {0, 0}, hzMove, crDefault},
        {"negative sense: far corner", AllSelOptions, -1, designed, {128, 96}, hzMove, crDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame_->SetSelOption(c.options);
        frame_->SetSizeSense(c.sense);
        frame_->resize(c.size);
        MoveTo(OfFrame(c.at.x(), c.at.y()));
        EXPECT_EQ(frame_->HitZone(), c.zone);
        EXPECT_EQ(frame_->Cursor(), c.cursor);
        EXPECT_EQ(frame_->cursor().shape(), QtCursorShape(c.cursor));
    }
}

TEST_F(SelShapeTest, DragFromEachZone) {
    struct Case {
        const char* name;
        TSelOpt options;
        QPoint start; // in the frame
        QPoint delta;
        QRect expected;
    };
    const Case cases[] = {
        {"inside moves", AllSelOptions, {60, 50}, {10, 20}, {90, 92, 129, 97}},
        {"top edge", AllSelOptions, {60, 2}, {3, 10}, {80, 82, 129, 87}},
        {"bottom edge", AllSelOptions, {60, 94}, {3, 10}, {80, 72, 129, 107}},
        {"left edge", AllSelOptions, {2, 50}, {10, 3}, {90, 72, 119, 97}},
        {"right edge", AllSelOptions, {126, 50}, {10, 3}, {80, 72, 139, 97}},
        {"top left", AllSelOptions, {2, 2}, {10, 10}, {90, 82, 119, 87}},
        {"top right", AllSelOptions, {126, 2}, {10, 10}, {80, 82, 139, 87}},
        {"bottom right", AllSelOptions, {126, 94}, {10, 10}, {80, 72, 139, 107}},
        {"bottom left", AllSelOptions, {2, 94}, {10, 10}, {90, 72, 119, 107}},
        {"no moving: inside stays", NoMove, {60, 50}, {10, 20}, StartRect},
        {"no MoveX: inside moves down only", NoMoveX, {60, 50}, {10, 20}, {80, 92, 129, 97}},
        {"no ResizeX: side moves", NoResizeX, {2, 50}, {10, 20}, {90, 92, 129, 97}},
        {"no ResizeX: corner is the top edge", NoResizeX, {2, 2}, {10, 10}, {80, 82, 129, 87}},
        {"no ResizeY: corner is the left edge", NoResizeY, {2, 2}, {10, 10}, {90, 72, 119, 97}},
        {"no resizing: corner moves", NoResize, {126, 94}, {10, 10}, {90, 82, 129, 97}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame_->setGeometry(StartRect);
        frame_->SetSelOption(c.options);
        Drag(c.start, c.delta);
        EXPECT_EQ(frame_->geometry(), c.expected);
        EXPECT_FALSE(frame_->Grabbed());
    }
}

TEST_F(SelShapeTest, PressWithoutAnEarlierMoveDragsTheWholeFrame) {
    // The frame is put under a resting pointer, which then presses in its left
    // band: no move has reached the frame.
    const QPoint pointer(40, 122);
    MoveTo(pointer);
    frame_->SetLeft(38);
    Press(pointer);
    MoveTo(pointer + QPoint(10, 20));
    EXPECT_EQ(frame_->geometry(), QRect(48, 92, 129, 97));
}

TEST_F(SelShapeTest, TopEdgeStopsAtItsLastAcceptedPlaceAndFollowsAgain) {
    struct Step {
        int pointerY; // in the panel; the pointer stays in column 140
        QRect expected;
    };
    const Step steps[] = {
        {124, {80, 122, 129, 47}},
        {164, {80, 162, 129, 7}},
        {170, {80, 162, 129, 7}}, // height 1 refused: 7 stays, above the minimum
        {300, {80, 162, 129, 7}},
        {165, {80, 163, 129, 6}}, // back far enough
        {10, {80, 8, 129, 161}},
        {-15, {80, 0, 129, 169}}, // held at MinTop, bottom unmoved
    };
    MoveTo(QPoint(140, 74)); // two rows into the top band
    Press(QPoint(140, 74));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pointerY);
        MoveTo(QPoint(140, step.pointerY));
        EXPECT_EQ(frame_->geometry(), step.expected);
        EXPECT_EQ(frame_->GrabY(), 2);
    }
}

TEST_F(SelShapeTest, EdgeStopsOnTheBound) {
    struct Case {
        const char* name;
        QPoint start; // in the frame
        QPoint to;    // in the panel
        int maxBottom, minTop, maxRight, minLeft;
        QRect expected;
    };
    const Case cases[] = {
        {"MaxBottom 0: the panel's height", {60, 94}, {140, 650}, 0, 0, 0, 0, {80, 72, 129, 380}},
        {"MaxBottom below MinTop: the panel's height", {60, 94}, {140, 650}, 10, 20, 0, 0,
         {80, 72, 129, 380}},
        {"MaxBottom equal to MinTop: the panel's height", {60, 94}, {140, 650}, 20, 20, 0, 0,
         {80, 72, 129, 380}},
        {"MaxBottom above MinTop", {60, 94}, {140, 650}, 300, 0, 0, 0, {80, 72, 129, 228}},
        // Height + 1 passes the size test; the bound then takes the frame to 3 high.
        {"size test before the bound", {60, 94}, {140, 167}, 75, 0, 0, 0, {80, 72, 129, 3}},
        {"MaxRight 0: the panel's width", {126, 50}, {850, 122}, 0, 0, 0, 0, {80, 72, 520, 97}},
        {"MaxRight above MinLeft", {126, 50}, {850, 122}, 0, 0, 300, 10, {80, 72, 220, 97}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame_->setGeometry(StartRect);
        frame_->SetMaxBottom(c.maxBottom);
        frame_->SetMinTop(c.minTop);
        frame_->SetMaxRight(c.maxRight);
        frame_->SetMinLeft(c.minLeft);
        const QPoint start = OfFrame(c.start.x(), c.start.y());
        MoveTo(start);
        Press(start);
        MoveTo(c.to);
        EXPECT_EQ(frame_->geometry(), c.expected);
        Release(c.to);
    }
}

TEST_F(SelShapeTest, BottomEdgeHeldOnTheBoundFollowsThePointerOnceBackInside) {
    MoveTo(QPoint(140, 166)); // three rows above the bottom
    Press(QPoint(140, 166));
    const std::pair<int, int> steps[] = {{500, 452}, {460, 452}, {400, 403}, {300, 303}};
    for (const auto& [pointerY, bottom] : steps) {
        SCOPED_TRACE(pointerY);
        MoveTo(QPoint(140, pointerY));
        EXPECT_EQ(frame_->geometry().bottom() + 1, bottom);
    }
}

TEST_F(SelShapeTest, MovingAFrameLargerThanTheAreaPutsItOnTheBounds) {
    struct Case {
        const char* name;
        int minTop, minLeft, maxBottom, maxRight;
        QRect expected;
    };
    const Case cases[] = {
        {"the panel", 0, 0, 0, 0, {-50, -28, 650, 480}},
        {"the limits", 20, 30, 400, 500, {-150, -80, 650, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame_->setGeometry(10, 10, 650, 480);
        frame_->SetMinTop(c.minTop);
        frame_->SetMinLeft(c.minLeft);
        frame_->SetMaxBottom(c.maxBottom);
        frame_->SetMaxRight(c.maxRight);
        Drag({300, 200}, {-100, -100});
        EXPECT_EQ(frame_->geometry(), c.expected);
    }
}

TEST_F(SelShapeTest, MoveHandlerRunsFirstAndItsChangeStartsTheStep) {
    const QPoint start = OfFrame(60, 94); // bottom band
    MoveTo(start);
    Press(start);
    onMove_ = [this] { frame_->SetHeight(60); };
    moveHandlerSaw_.clear();
    MoveTo(start + QPoint(0, 10));
    MoveTo(start + QPoint(0, 15));
    // The step adds the pointer's travel to the height the handler left.
    EXPECT_EQ(frame_->geometry(), QRect(80, 72, 129, 65));
    const std::vector<QRect> expected = {StartRect, QRect(80, 72, 129, 70)};
    EXPECT_EQ(moveHandlerSaw_, expected);
}

TEST_F(SelShapeTest, MoveHandlerRunsOncePerMoveAndNotAfterReleaseOffTheFrame) {
    const QPoint start = OfFrame(60, 2); // top band
    MoveTo(start);
    Press(start);
    moveHandlerSaw_.clear();
    MoveTo(start + QPoint(0, 50));
    MoveTo(start + QPoint(0, 300)); // refused: the pointer ends below the frame
    EXPECT_EQ(moveHandlerSaw_.size(), 2u);
    Release(start + QPoint(0, 300));
    MoveTo(start + QPoint(5, 310));
    MoveTo(start + QPoint(10, 320));
    EXPECT_EQ(moveHandlerSaw_.size(), 2u);
    MoveTo(OfFrame(60, 40));
    EXPECT_EQ(moveHandlerSaw_.size(), 3u);
}

TEST_F(SelShapeTest, AnyButtonDragsAndConfinesThePointerToThePanel) {
    const QRect panelOnScreen(panel_->mapToGlobal(QPoint(0, 0)), QSize(600, 452));
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        frame_->setGeometry(StartRect);
        const QPoint start = OfFrame(60, 50);
        MoveTo(start);
        log_.clear();
        confinement_.rects.clear();
        Press(start, button);
        EXPECT_TRUE(frame_->Grabbed());
        MoveTo(start + QPoint(7, 9));
        Release(start + QPoint(7, 9), button);
        EXPECT_FALSE(frame_->Grabbed());
        EXPECT_EQ(frame_->geometry(), QRect(87, 81, 129, 97));
        const std::vector<std::string> order = {"down", "Confine", "up", "Release"};
        EXPECT_EQ(log_, order);
        ASSERT_EQ(confinement_.rects.size(), 1u);
        EXPECT_EQ(confinement_.rects[0], panelOnScreen);
        // The last pixel the pointer may reach is the panel's own last one.
        EXPECT_EQ(confinement_.rects[0].bottomRight(), panel_->mapToGlobal(QPoint(599, 451)));
    }
}

TEST_F(SelShapeTest, HidingTheFrameInMidDragReleasesThePointer) {
    const QPoint start = OfFrame(60, 50);
    MoveTo(start);
    Press(start);
    log_.clear();
    panel_->hide();
    EXPECT_FALSE(frame_->Grabbed());
    EXPECT_EQ(log_, std::vector<std::string>{"Release"});
}

} // namespace
