#include "Cursors.h"

#include <QWidget>

Qt::CursorShape QtCursorShape(TCursor cursor) {
    switch (cursor) {
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void ApplyCursor(QWidget& widget, TCursor cursor) {
    widget.setCursor(QtCursorShape(cursor));
}
