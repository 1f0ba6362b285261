#pragma once

class QWidget;
class TSelShape;

// Puts the frame at the current cell's top-left numbers with 70 % of its
// extent (right - left, bottom - top). A frame that would then lie wholly
// off the panel (a narrow or short photo with a cell of the right or lower
// half) is moved up and left by the least distance that puts it wholly on
// the panel, and, where it is larger than the panel, first made smaller with
// the cell's proportion, so the user can reach it. A frame partly on the
// panel is left to the frame's own limits.
void PlaceSelectionFrame(TSelShape& frame, const QWidget& panel);

// Keeps the frame's height-to-width proportion equal to the current cell's:
// the width leads and the height follows, unless the followed height would
// carry the frame's bottom below panel height - 2; then the width is cut back
// instead and the next call sets the height. A cut that would leave no width
// holds the width at the frame's MinWidth.
void KeepFrameProportion(TSelShape& frame, const QWidget& panel);
