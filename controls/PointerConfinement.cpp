#include "PointerConfinement.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>
#include <optional>

namespace {

// The platform's confinement: every pointer position reported outside the
// rectangle is held at the nearest point inside, and where the platform lets
// an application move the pointer, the pointer is put back there. A grab
// confined to a window would need a native window of the rectangle's size;
// putting the pointer back is enough for a drag, whose events all come to the
// dragged control while the button is held.
class TPlatformConfinement final : public TPointerConfinement {
public:
    void Confine(const QRect& screenRect) override { rect_ = screenRect; }

    void Release() override { rect_.reset(); }

    QPoint Confined(const QPoint& globalPos) override {
        if (!rect_)
            return globalPos;
        const QPoint inside = ClampToRect(globalPos, *rect_);
        if (inside != globalPos && CanMovePointer())
            QCursor::setPos(inside);
        return inside;
    }

private:
    // Offscreen and minimal platforms have no pointer to move, and Wayland
    // does not let a client move it.
    static bool CanMovePointer() {
        const QString platform = QGuiApplication::platformName();
        return platform == QLatin1String("xcb") || platform == QLatin1String("windows") ||
               platform == QLatin1String("cocoa");
    }

    std::optional<QRect> rect_;
};

TPlatformConfinement& Platform() {
    static TPlatformConfinement platform;
    return platform;
}

TPointerConfinement* current = nullptr;

} // namespace

TPointerConfinement::~TPointerConfinement() = default;

TPointerConfinement& TPointerConfinement::Current() {
    return current ? *current : Platform();
}

void TPointerConfinement::SetCurrent(TPointerConfinement* service) {
    current = service;
}

QPoint ClampToRect(const QPoint& point, const QRect& rect) {
    // Written out rather than std::clamp, whose bounds must not cross.
    const int x = std::max(rect.left(), std::min(point.x(), rect.right()));
    const int y = std::max(rect.top(), std::min(point.y(), rect.bottom()));
    return QPoint(x, y);
}
