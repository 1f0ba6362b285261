#pragma once
#include "PointerConfinement.h"

#include <QRect>
#include <QWidget>

#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

inline void PrintTo(const QPoint& p, std::ostream* os) {
    *os << "(" << p.x() << ", " << p.y() << ")";
}

// Stands in for the platform's confinement: writes its calls into a log that
// the test may share with its event handlers, and leaves positions alone.
class TRecordingConfinement : public TPointerConfinement {
public:
    explicit TRecordingConfinement(std::vector<std::string>& log) : log_(log) {}

    void Confine(const QRect& screenRect) override {
        log_.push_back("Confine");
        rects.push_back(screenRect);
    }
    void Release() override { log_.push_back("Release"); }
    QPoint Confined(const QPoint& globalPos) override { return globalPos; }

    std::vector<QRect> rects;

private:
    std::vector<std::string>& log_;
};
