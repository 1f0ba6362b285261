#include "FrameFitting.h"

void PlaceSelectionFrame(TSelShape&, const QWidget&) {}
void KeepFrameProportion(TSelShape&, const QWidget&) {}
