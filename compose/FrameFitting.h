#pragma once

class QWidget;
class TSelShape;

// Puts the frame at the current cell's top-left numbers with 70 % of its extent.
void PlaceSelectionFrame(TSelShape& frame, const QWidget& panel);

// Keeps the frame's height-to-width proportion equal to the current cell's,
// without letting its bottom pass panel height - 2.
void KeepFrameProportion(TSelShape& frame, const QWidget& panel);
