#include "TSelShape.h"

#include "PointerConfinement.h"

#include <array>
#include <limits>

namespace {

enum class TRowBand : std::uint8_t { None, Top, Bottom };
enum class TColumnBand : std::uint8_t { None, Left, Right };

// One row per zone, in THitZone order: the bands the zone lies in, which are
// also the edges its drag moves (none: the whole frame moves), and the cursor
// it shows.
struct TZoneRule {
    TRowBand row;
    TColumnBand column;
    TCursor cursor;
};

constexpr std::array<TZoneRule, 9> ZoneRules = {{
    {TRowBand::None, TColumnBand::None, crDefault},     // hzMove
    {TRowBand::Top, TColumnBand::None, crSizeNS},       // hzTop
    {TRowBand::Bottom, TColumnBand::None, crSizeNS},    // hzBottom
    {TRowBand::None, TColumnBand::Left, crSizeWE},      // hzLeft
    {TRowBand::None, TColumnBand::Right, crSizeWE},     // hzRight
    {TRowBand::Top, TColumnBand::Right, crSizeNESW},    // hzTopRight
    {TRowBand::Top, TColumnBand::Left, crSizeNWSE},     // hzTopLeft
    {TRowBand::Bottom, TColumnBand::Right, crSizeNWSE}, // hzBottomRight
    {TRowBand::Bottom, TColumnBand::Left, crSizeNESW},  // hzBottomLeft
}};

const TZoneRule& RuleOf(THitZone zone) {
    return ZoneRules[zone];
}

THitZone ZoneOf(TRowBand row, TColumnBand column) {
    for (std::size_t i = 0; i < ZoneRules.size(); ++i) {
        if (ZoneRules[i].row == row && ZoneRules[i].column == column)
            return static_cast<THitZone>(i);
    }
    return hzMove;
}

} // namespace

TSelShape::TSelShape(QWidget* parent) : TShape(parent) {
    TBrush brush = Brush();
    brush.Style = TBrushStyle::bsClear;
    SetBrush(brush);
}

TSelShape::~TSelShape() {
    EndDrag();
}

// The left and top bands take S + 1 pixels (0 ... S), the right and bottom
// ones S; where both would overlap, the left or top band wins.
THitZone TSelShape::ZoneAt(int x, int y) const {
    const int s = sizeSense_;
    TColumnBand column = TColumnBand::None;
    if (x <= s)
        column = TColumnBand::Left;
    else if (x >= Width() - s)
        column = TColumnBand::Right;
    TRowBand row = TRowBand::None;
    if (y <= s)
        row = TRowBand::Top;
    else if (y >= Height() - s)
        row = TRowBand::Bottom;
    return ZoneOf(row, column);
}

// Without ResizeX a zone loses its side (sides become the inside, corners the
// top or bottom edge); without ResizeY it loses its top or bottom likewise.
THitZone TSelShape::Reduced(THitZone zone) const {
    const TZoneRule& rule = RuleOf(zone);
    const TColumnBand column =
        selOption_.Contains(TSelOptSet::ResizeX) ? rule.column : TColumnBand::None;
    const TRowBand row = selOption_.Contains(TSelOptSet::ResizeY) ? rule.row : TRowBand::None;
    return ZoneOf(row, column);
}

void TSelShape::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    TShape::MouseDown(button, shift, x, y);
    // The zone stays the one of the last move: a press without an earlier
    // move over the frame drags the whole frame.
    grabbed_ = true;
    grabX_ = x;
    grabY_ = y;
    if (const QWidget* area = parentWidget()) {
        // The parent's area on screen, right and bottom exclusive at
        // L + Width and T + Height: as a QRect of that size, right() and
        // bottom() are the last pixels the pointer may reach.
        const QPoint origin = area->mapToGlobal(QPoint(0, 0));
        TPointerConfinement::Current().Confine(QRect(origin, area->size()));
    }
}

void TSelShape::MouseMove(Qt::KeyboardModifiers shift, int x, int y) {
    // The handler sees the rectangle of the previous event; what it changes
    // is where this event's step starts.
    TShape::MouseMove(shift, x, y);
    if (grabbed_)
        Drag(x, y);
    else
        hitZone_ = ZoneAt(x, y);
    hitZone_ = Reduced(hitZone_);
    SetCursor(RuleOf(hitZone_).cursor);
}

// Any release reaching the frame ends the drag, also one of a button other
// than the one that started it: a later release might never reach the frame,
// and the pointer would stay confined.
void TSelShape::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    TShape::MouseUp(button, shift, x, y);
    grabbed_ = false;
    TPointerConfinement::Current().Release();
}

// A frame hidden or destroyed in mid-drag receives no release; the pointer
// must not stay confined.
void TSelShape::hideEvent(QHideEvent* event) {
    EndDrag();
    TShape::hideEvent(event);
}

void TSelShape::EndDrag() {
    if (!grabbed_)
        return;
    grabbed_ = false;
    TPointerConfinement::Current().Release();
}

void TSelShape::Drag(int x, int y) {
    const TZoneRule& rule = RuleOf(hitZone_);
    if (rule.row == TRowBand::Top)
        MoveTopEdge(y - grabY_);
    else if (rule.row == TRowBand::Bottom)
        MoveBottomEdge(y - grabY_);
    if (rule.column == TColumnBand::Left)
        MoveLeftEdge(x - grabX_);
    else if (rule.column == TColumnBand::Right)
        MoveRightEdge(x - grabX_);
    if (hitZone_ == hzMove)
        MoveFrame(x - grabX_, y - grabY_);
}

// Without a parent the frame has no area to keep to.
int TSelShape::BottomBound() const {
    if (maxBottom_ > minTop_)
        return maxBottom_;
    return parentWidget() ? parentWidget()->height() : std::numeric_limits<int>::max();
}

int TSelShape::RightBound() const {
    if (maxRight_ > minLeft_)
        return maxRight_;
    return parentWidget() ? parentWidget()->width() : std::numeric_limits<int>::max();
}

// A top or left step that would go below the minimum size is dropped whole
// rather than applied part of the way, so the edge stays where it last was
// accepted. The grab point stays: the frame's origin moved with the pointer.
void TSelShape::MoveTopEdge(int dy) {
    if (Top() + dy < minTop_)
        dy = minTop_ - Top();
    if (Height() - dy < minHeight_)
        return;
    const int height = Height();
    SetTop(Top() + dy);
    SetHeight(height - dy);
}

void TSelShape::MoveLeftEdge(int dx) {
    if (Left() + dx < minLeft_)
        dx = minLeft_ - Left();
    if (Width() - dx < minWidth_)
        return;
    const int width = Width();
    SetLeft(Left() + dx);
    SetWidth(width - dx);
}

// The size test takes the delta before it is clamped to the bound; the grab
// point follows the edge by what was applied.
void TSelShape::MoveBottomEdge(int dy) {
    if (Height() + dy < minHeight_)
        return;
    const int bound = BottomBound();
    if (Top() + Height() + dy > bound)
        dy = bound - (Top() + Height());
    SetHeight(Height() + dy);
    grabY_ += dy;
}

void TSelShape::MoveRightEdge(int dx) {
    if (Width() + dx < minWidth_)
        return;
    const int bound = RightBound();
    if (Left() + Width() + dx > bound)
        dx = bound - (Left() + Width());
    SetWidth(Width() + dx);
    grabX_ += dx;
}

// The upper bound is applied after the lower one and wins: a frame larger
// than the area ends on the bottom and right bounds.
void TSelShape::MoveFrame(int dx, int dy) {
    if (selOption_.Contains(TSelOptSet::MoveY)) {
        if (Top() + dy < minTop_)
            dy = minTop_ - Top();
        const int bound = BottomBound();
        if (Top() + Height() + dy > bound)
            dy = bound - (Top() + Height());
        SetTop(Top() + dy);
    }
    if (selOption_.Contains(TSelOptSet::MoveX)) {
        if (Left() + dx < minLeft_)
            dx = minLeft_ - Left();
        const int bound = RightBound();
        if (Left() + Width() + dx > bound)
            dx = bound - (Left() + Width());
        SetLeft(Left() + dx);
    }
}
