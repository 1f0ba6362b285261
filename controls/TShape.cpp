#include "TShape.h"

#include "PointerConfinement.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QColor ToQColor(TColor color) {
    const TColor c = ResolveColor(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

// Rectangle(x1, y1, x2, y2) as the platform draws it, on a painter without
// antialiasing. The box is x1 <= x < x2, y1 <= y < y2. A pen 1 pixel wide
// (or 0, the thin pen) draws the box's outermost ring: columns x1 and x2 - 1,
// rows y1 and y2 - 1. A wider pen P is centred on those lines: the line at
// c covers c - P div 2 up to c - P div 2 + P - 1. So pen 2 around
// Rectangle(1, 1, Width, Height) covers columns 0, 1, Width - 2, Width - 1
// and the same rows: the control's two outermost rings. The brush fills the
// box first; with a clear pen the filled box loses its last column and row.
void DrawRectangle(QPainter& painter, const TPen& pen, const TBrush& brush, int x1, int y1, int x2,
                   int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    const bool outlined = pen.Style != TPenStyle::psClear;
    if (brush.Style != TBrushStyle::bsClear) {
        const int shrink = outlined ? 0 : 1;
        painter.fillRect(QRect(x1, y1, x2 - x1 - shrink, y2 - y1 - shrink), ToQColor(brush.Color));
    }
    if (!outlined)
        return;
    const int p = pen.Width > 0 ? pen.Width : 1;
    const int half = p / 2;
    const int outerLeft = x1 - half;
    const int outerTop = y1 - half;
    const int outerWidth = x2 - x1 - 1 + p;
    const int outerHeight = y2 - y1 - 1 + p;
    const QColor color = ToQColor(pen.Color);
    painter.fillRect(QRect(outerLeft, outerTop, outerWidth, p), color);
    painter.fillRect(QRect(outerLeft, y2 - 1 - half, outerWidth, p), color);
    painter.fillRect(QRect(outerLeft, outerTop, p, outerHeight), color);
    painter.fillRect(QRect(x2 - 1 - half, outerTop, p, outerHeight), color);
}

} // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {
    // What lies beneath in the parent shows through wherever nothing is painted.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    // Moves without a button held must reach the control too.
    setMouseTracking(true);
    resize(65, 65);
}

void TShape::SetPen(const TPen& pen) {
    pen_ = pen;
    update();
}

void TShape::SetBrush(const TBrush& brush) {
    brush_ = brush;
    update();
}

QColor TShape::PenColor() const {
    return ToQColor(pen_.Color);
}

void TShape::SetPenColor(const QColor& color) {
    pen_.Color = FromQColor(color);
    update();
}

void TShape::SetPenWidth(int width) {
    if (width < 0)
        return;
    pen_.Width = width;
    update();
}

void TShape::SetPenStyle(int style) {
    pen_.Style = style == static_cast<int>(TPenStyle::psClear) ? TPenStyle::psClear
                                                               : TPenStyle::psSolid;
    update();
}

QColor TShape::BrushColor() const {
    return ToQColor(brush_.Color);
}

void TShape::SetBrushColor(const QColor& color) {
    brush_.Color = FromQColor(color);
    update();
}

void TShape::SetBrushStyle(int style) {
    brush_.Style = style == static_cast<int>(TBrushStyle::bsClear) ? TBrushStyle::bsClear
                                                                   : TBrushStyle::bsSolid;
    update();
}

void TShape::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    ApplyCursor(*this, cursor);
}

void TShape::SetLeft(int left) {
    move(left, y());
}

void TShape::SetTop(int top) {
    move(x(), top);
}

void TShape::SetWidth(int width) {
    resize(width, height());
}

void TShape::SetHeight(int height) {
    resize(width(), height);
}

void TShape::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    emit OnMouseDown(this, button, shift, x, y);
}

void TShape::MouseMove(Qt::KeyboardModifiers shift, int x, int y) {
    emit OnMouseMove(this, shift, x, y);
}

void TShape::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    emit OnMouseUp(this, button, shift, x, y);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int p = pen_.Width;
    const int offset = p / 2;
    const int thin = p == 0 ? 1 : 0;
    const int w = width() - p + 1 - thin;
    const int h = height() - p + 1 - thin;
    DrawRectangle(painter, pen_, brush_, offset, offset, offset + w, offset + h);
}

// The position is taken from the global one at dispatch rather than from the
// event's local one: an earlier event of the same round may have moved the
// control since the local position was worked out. It is also held inside an
// active pointer confinement, as the platform would have held the pointer.
QPoint TShape::PointerPos(const QMouseEvent& event) const {
    const QPoint global = event.globalPosition().toPoint();
    return mapFromGlobal(TPointerConfinement::Current().Confined(global));
}

void TShape::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const QPoint p = PointerPos(*event);
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TShape::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint p = PointerPos(*event);
    MouseMove(event->modifiers(), p.x(), p.y());
}

void TShape::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QPoint p = PointerPos(*event);
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}
