#pragma once
#include <Qt>

class QWidget;

// The toolkit's standard cursor numbers, as controls store them in their
// Cursor property.
using TCursor = int;

constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHandPoint = -21;

// The Qt cursor shown for a cursor number; numbers without a shape of their
// own show the arrow.
Qt::CursorShape QtCursorShape(TCursor cursor);

// Shows the cursor number's shape while the pointer is over the widget.
void ApplyCursor(QWidget& widget, TCursor cursor);
