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

// The cell's height over its width, held as a double as the proportion rule holds it.
long double CellRatio(const TCellRect& r) {
    return static_cast<double>(static_cast<long double>(r.Rows()) / r.Columns());
}

} // namespace

void PlaceSelectionFrame(TSelShape& frame, const QWidget& panel) {
    const TCellRect& r = CurrentCellRect();
    int left = r.Left;
    int top = r.Top;
    int width = Round((r.Right - r.Left) * 0.7L);
    int height = Round((r.Bottom - r.Top) * 0.7L);
    const int panelWidth = panel.width();
    const int panelHeight = panel.height();
    // Cell numbers always lie at or right of and below the panel's corner, so
    // a frame wholly off the panel lies past its right or bottom edge.
    if (left >= panelWidth || top >= panelHeight) {
        if (width > panelWidth || height > panelHeight) {
            const long double ratio = CellRatio(r);
            width = std::min({width, panelWidth, Round(panelHeight / ratio)});
            height = std::min(panelHeight, Round(width * ratio));
            width = std::max(width, 1);
            height = std::max(height, 1);
        }
        left = std::min(left, panelWidth - width);
        top = std::min(top, panelHeight - height);
    }
    frame.SetTop(top);
    frame.SetLeft(left);
    frame.SetWidth(width);
    frame.SetHeight(height);
}

void KeepFrameProportion(TSelShape& frame, const QWidget& panel) {
    const TCellRect& r = CurrentCellRect();
    const auto ratio = static_cast<double>(CellRatio(r));
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
