#include "TSelShape.h"

#include "PointerConfinement.h"

#include <array>
#include <limits>
#include <optional>

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

// One axis of the frame: where it starts (Top or Left) and its extent
// (Height or Width), in the parent's client coordinates.
struct TSpan {
    int start;
    int length;
};

// The near (top or left) edge moved by delta, held at minStart first. A step
// that would leave the span shorter than minLength is dropped whole rather
// than applied part of the way, so the edge stays where it was last accepted;
// the grab point need not change, the origin having moved with the pointer.
std::optional<TSpan> MovedNearEdge(TSpan span, int delta, int minStart, int minLength) {
    if (span.start + delta < minStart)
        delta = minStart - span.start;
    if (span.length - delta < minLength)
        return std::nullopt;
    return TSpan{span.start + delta, span.length - delta};
}

// What the far (bottom or right) edge moves by: the size test takes the delta
// before it is held at the bound.
std::optional<int> FarEdgeDelta(TSpan span, int delta, int minLength, int bound) {
    if (span.length + delta < minLength)
        return std::nullopt;
    if (span.start + span.length + delta > bound)
        delta = bound - (span.start + span.length);
    return delta;
}

// What the whole span moves by. The upper bound is applied after the lower
// one and wins: a frame larger than the area ends on the bottom and right
// bounds.
int ShiftDelta(TSpan span, int delta, int minStart, int bound) {
    if (span.start + delta < minStart)
        delta = minStart - span.start;
    if (span.start + span.length + delta > bound)
        delta = bound - (span.start + span.length);
    return delta;
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

void TSelShape::MoveTopEdge(int dy) {
    if (const auto moved = MovedNearEdge({Top(), Height()}, dy, minTop_, minHeight_)) {
        SetTop(moved->start);
        SetHeight(moved->length);
    }
}

void TSelShape::MoveLeftEdge(int dx) {
    if (const auto moved = MovedNearEdge({Left(), Width()}, dx, minLeft_, minWidth_)) {
        SetLeft(moved->start);
        SetWidth(moved->length);
    }
}

void TSelShape::MoveBottomEdge(int dy) {
    if (const auto applied = FarEdgeDelta({Top(), Height()}, dy, minHeight_, BottomBound())) {
        SetHeight(Height() + *applied);
        grabY_ += *applied;
    }
}

void TSelShape::MoveRightEdge(int dx) {
    if (const auto applied = FarEdgeDelta({Left(), Width()}, dx, minWidth_, RightBound())) {
        SetWidth(Width() + *applied);
        grabX_ += *applied;
    }
}

void TSelShape::MoveFrame(int dx, int dy) {
    if (selOption_.Contains(TSelOptSet::MoveY))
        SetTop(Top() + ShiftDelta({Top(), Height()}, dy, minTop_, BottomBound()));
    if (selOption_.Contains(TSelOptSet::MoveX))
        SetLeft(Left() + ShiftDelta({Left(), Width()}, dx, minLeft_, RightBound()));
}
