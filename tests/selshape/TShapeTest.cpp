#include "SelShapeTestSupport.h"
#include "TShape.h"

#include <QImage>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

constexpr unsigned Green = 0x00FF00;
constexpr unsigned Red = 0xFF0000;
constexpr unsigned Blue = 0x0000FF;

// A parent filled with green holding one shape; what the parent shows at the
// shape's place is what the user sees.
struct PaintedShape {
    QWidget parent;
    TShape* shape;

    PaintedShape(int penWidth, TBrushStyle brushStyle, int width, int height) {
        parent.resize(40, 30);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, QColor(0, 255, 0));
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        shape = new TShape(&parent);
        shape->setGeometry(5, 4, width, height);
        shape->SetPen(TPen{clRed, penWidth, TPenStyle::psSolid});
        shape->SetBrush(TBrush{RGB(0, 0, 255), brushStyle});
    }

    QImage Pixels() { return parent.grab(shape->geometry()).toImage(); }
};

TEST(TShapePainting, PenCoversTheOuterRingsAndTheBrushOrTheParentTheInside) {
    struct Case {
        int penWidth;
        TBrushStyle brush;
        int width, height;
        int rings; // how many outer rings of the control take the pen's colour
    };
    const Case cases[] = {
        {2, TBrushStyle::bsClear, 12, 9, 2}, // the main window's frame
        {1, TBrushStyle::bsSolid, 12, 9, 1},
        {0, TBrushStyle::bsSolid, 7, 6, 1}, // the thin pen draws one ring
        {3, TBrushStyle::bsClear, 12, 9, 3},
        {4, TBrushStyle::bsSolid, 13, 11, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("pen " + std::to_string(c.penWidth));
        PaintedShape painted(c.penWidth, c.brush, c.width, c.height);
        const QImage image = painted.Pixels();
        ASSERT_EQ(image.size(), QSize(c.width, c.height));
        const unsigned inside = c.brush == TBrushStyle::bsClear ? Green : Blue;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const int ring = std::min({x, y, c.width - 1 - x, c.height - 1 - y});
                EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, ring < c.rings ? Red : inside)
                    << "at " << x << ", " << y;
            }
        }
    }
}

TEST(TShapePainting, ClearPenLeavesTheBoxFilledButItsLastColumnAndRow) {
    PaintedShape painted(1, TBrushStyle::bsSolid, 6, 5);
    painted.shape->SetPenStyle(static_cast<int>(TPenStyle::psClear));
    const QImage image = painted.Pixels();
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, x < 5 && y < 4 ? Blue : Green)
                << "at " << x << ", " << y;
    }
}

TEST(TShapePainting, PropertiesSetByNameReachThePenAndBrush) {
    // The window description sets them this way.
    TShape shape;
    shape.setProperty("PenColor", QVariant(QColor(255, 0, 0)));
    shape.setProperty("PenWidth", QVariant(2));
    shape.setProperty("BrushStyle", QVariant(1));
    EXPECT_EQ(shape.Pen().Color, clRed);
    EXPECT_EQ(shape.Pen().Width, 2);
    EXPECT_EQ(shape.Brush().Style, TBrushStyle::bsClear);
    EXPECT_EQ(shape.property("PenColor").value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(shape.size(), QSize(65, 65));
}

TEST(Cursors, NumbersShowTheirShapes) {
    const std::pair<TCursor, Qt::CursorShape> cases[] = {
        {crDefault, Qt::ArrowCursor},        {crSizeNS, Qt::SizeVerCursor},
        {crSizeWE, Qt::SizeHorCursor},       {crSizeNESW, Qt::SizeBDiagCursor},
        {crSizeNWSE, Qt::SizeFDiagCursor},   {crHandPoint, Qt::PointingHandCursor},
        {crArrow, Qt::ArrowCursor},          {-3, Qt::ArrowCursor},
    };
    TShape shape;
    for (const auto& [number, qtShape] : cases) {
        shape.SetCursor(number);
        EXPECT_EQ(shape.Cursor(), number);
        EXPECT_EQ(shape.cursor().shape(), qtShape) << "cursor " << number;
    }
}

// Receives the shape's events the way the window description binds them:
// by signature strings.
class Receiver : public QObject {
    Q_OBJECT
public:
    std::vector<std::string> calls;

public slots:
    void ShapeMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                        int x, int y) {
        Record("down", sender, button, shift, x, y);
    }
    void ShapeMouseMove(QObject* sender, Qt::KeyboardModifiers shift, int x, int y) {
        Record("move", sender, Qt::NoButton, shift, x, y);
    }
    void ShapeMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                      int x, int y) {
        Record("up", sender, button, shift, x, y);
    }

private:
    void Record(const char* what, QObject* sender, Qt::MouseButton button,
                Qt::KeyboardModifiers shift, int x, int y) {
        calls.push_back(std::string(what) + " " + sender->objectName().toStdString() + " " +
                        std::to_string(button) + " " + std::to_string(shift.toInt()) + " " +
                        std::to_string(x) + "," + std::to_string(y));
    }
};

TEST(TShapeEvents, HooksRaiseTheSignalsWithPositionsInTheShapesOwnCoordinates) {
    QWidget window;
    window.resize(200, 150);
    TShape* shape = new TShape(&window);
    shape->setObjectName("Shape1");
    shape->setGeometry(30, 20, 50, 40);
    Receiver receiver;
    ASSERT_TRUE(QObject::connect(shape, SIGNAL(OnMouseDown(QObject*,Qt::MouseButton,Qt::KeyboardModifiers,int,int)),
                                 &receiver, SLOT(ShapeMouseDown(QObject*,Qt::MouseButton,Qt::KeyboardModifiers,int,int))));
    ASSERT_TRUE(QObject::connect(shape, SIGNAL(OnMouseMove(QObject*,Qt::KeyboardModifiers,int,int)),
                                 &receiver, SLOT(ShapeMouseMove(QObject*,Qt::KeyboardModifiers,int,int))));
    ASSERT_TRUE(QObject::connect(shape, SIGNAL(OnMouseUp(QObject*,Qt::MouseButton,Qt::KeyboardModifiers,int,int)),
                                 &receiver, SLOT(ShapeMouseUp(QObject*,Qt::MouseButton,Qt::KeyboardModifiers,int,int))));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWindow* handle = window.windowHandle();

    QTest::mouseMove(handle, QPoint(35, 25)); // no button: tracking
    QTest::mousePress(handle, Qt::RightButton, Qt::ShiftModifier, QPoint(35, 25));
    QTest::mouseMove(handle, QPoint(120, 100)); // held: reaches the shape outside it
    QTest::mouseRelease(handle, Qt::RightButton, Qt::ControlModifier, QPoint(120, 100));

    const std::string right = std::to_string(Qt::RightButton);
    const std::string shift = std::to_string(Qt::ShiftModifier);
    const std::string control = std::to_string(Qt::ControlModifier);
    const std::vector<std::string> expected = {
        "move Shape1 0 0 5,5",
        "down Shape1 " + right + " " + shift + " 5,5",
        "move Shape1 0 0 90,80",
        "up Shape1 " + right + " " + control + " 90,80",
    };
    EXPECT_EQ(receiver.calls, expected);
}

} // namespace

#include "TShapeTest.moc"
