#pragma once
#include <QPoint>
#include <QRect>

// Keeps the mouse pointer inside a screen rectangle while a drag is under
// way. One process-wide service; tests put a stand-in in its place.
class TPointerConfinement {
public:
    virtual ~TPointerConfinement();

    // Keeps the pointer inside screenRect (QRect's right() and bottom() are
    // the last pixels the pointer may reach) until Release.
    virtual void Confine(const QRect& screenRect) = 0;
    virtual void Release() = 0;
    // Where a pointer reported at globalPos counts as being: unchanged without
    // a confinement, else the nearest point inside it.
    virtual QPoint Confined(const QPoint& globalPos) = 0;

    // The service in use: the platform's unless another was set.
    static TPointerConfinement& Current();
    // Puts service in place of the current one; nullptr restores the platform's.
    // The caller keeps ownership.
    static void SetCurrent(TPointerConfinement* service);
};

// The nearest point of rect to point (an empty rect gives its top-left).
QPoint ClampToRect(const QPoint& point, const QRect& rect);
