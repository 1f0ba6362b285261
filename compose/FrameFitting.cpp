#include "FrameFitting.h"

#include "CompositionState.h"
#include "Rounding.h"
#include "TSelShape.h"

#include <QWidget>
#include <algorithm>

namespace {

const TCellRect& CurrentCellRect() {
    return Composition.CellRects.at(static_cast<size_t>(Composition.CurrentCell));
}

} // namespace

void PlaceSelectionFrame(TSelShape& frame, const QWidget& panel) {
    const TCellRect& r = CurrentCellRect();
    int top = r.Top;
    int left = r.Left;
    if (left >= panel.width() || top >= panel.height()) {
        left = std::max(0, std::min(left, panel.width() - 1));
        top = std::max(0, std::min(top, panel.height() - 1));
    }
    frame.SetTop(top);
    frame.SetLeft(left);
    frame.SetWidth(Round((r.Right - r.Left) * 0.7L));
    frame.SetHeight(Round((r.Bottom - r.Top) * 0.7L));
}

void KeepFrameProportion(TSelShape& frame, const QWidget& panel) {
    const TCellRect& r = CurrentCellRect();
    const double ratio = static_cast<double>(static_cast<long double>(r.Rows()) / r.Columns());
    const int limit = panel.height() - 2;
    const long double wanted = frame.Width() * static_cast<long double>(ratio);
    if (limit >= wanted + frame.Top()) {
        frame.SetHeight(Round(wanted));
        return;
    }
    const int width = Round((limit - frame.Top()) / static_cast<long double>(ratio));
    // A top in the panel's last two rows leaves no room: keep a frame the user
    // can still take hold of.
    frame.SetWidth(width > 0 ? width : std::max(frame.MinWidth(), 1));
}
