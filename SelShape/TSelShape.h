#pragma once
#include "TShape.h"

#include <cstdint>
#include <initializer_list>

enum class TSelOptSet : std::uint8_t { ResizeX, ResizeY, MoveX, MoveY };

// A set of TSelOptSet in one byte: bit 0 ResizeX, bit 1 ResizeY, bit 2 MoveX,
// bit 3 MoveY.
class TSelOpt {
public:
    constexpr TSelOpt() = default;
    constexpr TSelOpt(std::initializer_list<TSelOptSet> items) {
        for (TSelOptSet item : items)
            Include(item);
    }
    // Bits above the four members are dropped.
    static constexpr TSelOpt FromBits(unsigned bits) {
        TSelOpt set;
        set.bits_ = static_cast<std::uint8_t>(bits & AllBits);
        return set;
    }
    constexpr std::uint8_t Bits() const { return bits_; }

    constexpr bool Contains(TSelOptSet item) const { return (bits_ & Bit(item)) != 0; }
    constexpr TSelOpt& Include(TSelOptSet item) {
        bits_ = static_cast<std::uint8_t>(bits_ | Bit(item));
        return *this;
    }
    constexpr TSelOpt& Exclude(TSelOptSet item) {
        bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(item));
        return *this;
    }

    friend constexpr TSelOpt operator+(TSelOpt a, TSelOpt b) { return FromBits(a.bits_ | b.bits_); }
    friend constexpr TSelOpt operator-(TSelOpt a, TSelOpt b) {
        return FromBits(a.bits_ & ~b.bits_ & AllBits);
    }
    friend constexpr TSelOpt operator*(TSelOpt a, TSelOpt b) { return FromBits(a.bits_ & b.bits_); }
    friend constexpr bool operator==(TSelOpt, TSelOpt) = default;

private:
    static constexpr unsigned AllBits = 0x0F;
    static constexpr unsigned Bit(TSelOptSet item) { return 1u << static_cast<unsigned>(item); }

    std::uint8_t bits_ = 0;
};
static_assert(sizeof(TSelOpt) == 1);

constexpr TSelOpt AllSelOptions{TSelOptSet::ResizeX, TSelOptSet::ResizeY, TSelOptSet::MoveX,
                                TSelOptSet::MoveY};

enum THitZone : std::uint8_t {
    hzMove,
    hzTop,
    hzBottom,
    hzLeft,
    hzRight,
    hzTopRight,
    hzTopLeft,
    hzBottomRight,
    hzBottomLeft
};

// The selection frame: a rectangle outline that the user moves by dragging
// its inside and resizes by dragging its edges or corners, any button, within
// the limits below. While a drag is under way the pointer is kept inside the
// parent's area on screen. The limits are plain values: setting one neither
// repaints nor re-clamps the current rectangle.
class TSelShape : public TShape {
    Q_OBJECT
    Q_PROPERTY(int SizeSense READ SizeSense WRITE SetSizeSense)
    Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
    Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
    Q_PROPERTY(int MinTop READ MinTop WRITE SetMinTop)
    Q_PROPERTY(int MinLeft READ MinLeft WRITE SetMinLeft)
    Q_PROPERTY(int MaxBottom READ MaxBottom WRITE SetMaxBottom)
    Q_PROPERTY(int MaxRight READ MaxRight WRITE SetMaxRight)
    // The bits of TSelOpt: 1 ResizeX, 2 ResizeY, 4 MoveX, 8 MoveY.
    Q_PROPERTY(int SelOption READ SelOptionBits WRITE SetSelOptionBits)

public:
    explicit TSelShape(QWidget* parent = nullptr);
    ~TSelShape() override;

    // Width in pixels of the sensitive band along each edge.
    int SizeSense() const { return sizeSense_; }
    void SetSizeSense(int value) { sizeSense_ = value; }
    // A resize step that would go below these is refused.
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value) { minWidth_ = value; }
    int MinHeight() const { return minHeight_; }
    void SetMinHeight(int value) { minHeight_ = value; }
    // Smallest Top and Left, in the parent's client coordinates.
    int MinTop() const { return minTop_; }
    void SetMinTop(int value) { minTop_ = value; }
    int MinLeft() const { return minLeft_; }
    void SetMinLeft(int value) { minLeft_ = value; }
    // Largest Top + Height and Left + Width; in force only when above MinTop
    // (MinLeft), otherwise the parent's client height (width) is the bound.
    int MaxBottom() const { return maxBottom_; }
    void SetMaxBottom(int value) { maxBottom_ = value; }
    int MaxRight() const { return maxRight_; }
    void SetMaxRight(int value) { maxRight_ = value; }
    // Which drags are allowed.
    TSelOpt SelOption() const { return selOption_; }
    void SetSelOption(TSelOpt value) { selOption_ = value; }
    int SelOptionBits() const { return selOption_.Bits(); }
    void SetSelOptionBits(int bits) { selOption_ = TSelOpt::FromBits(static_cast<unsigned>(bits)); }

    // A button was pressed on the frame and no release has reached it since.
    bool Grabbed() const { return grabbed_; }
    // The zone of the last pointer move while not grabbed, reduced by SelOption.
    THitZone HitZone() const { return hitZone_; }
    // The grab point in the frame's own coordinates; right and bottom edge
    // steps advance it by what they applied.
    int GrabX() const { return grabX_; }
    int GrabY() const { return grabY_; }

    // Moves the whole frame as a move drag does, within the same limits (the
    // keyboard's way of moving it).
    void MoveBy(int dx, int dy) { MoveFrame(dx, dy); }

protected:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void hideEvent(QHideEvent* event) override;

private:
    void EndDrag();
    THitZone ZoneAt(int x, int y) const;
    THitZone Reduced(THitZone zone) const;
    void Drag(int x, int y);
    int BottomBound() const;
    int RightBound() const;

    void MoveTopEdge(int dy);
    void MoveBottomEdge(int dy);
    void MoveLeftEdge(int dx);
    void MoveRightEdge(int dx);
    void MoveFrame(int dx, int dy);

    int sizeSense_ = 5;
    int minWidth_ = 5;
    int minHeight_ = 5;
    int minTop_ = 0;
    int minLeft_ = 0;
    int maxBottom_ = 0;
    int maxRight_ = 0;
    TSelOpt selOption_ = AllSelOptions;

    bool grabbed_ = false;
    THitZone hitZone_ = hzMove;
    int grabX_ = 0;
    int grabY_ = 0;
};
