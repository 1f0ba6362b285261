#include "LayoutChoice.h"

void ChooseNextLayout(const TWindowControls&) {}
void ChooseNextPosition(const TWindowControls&) {}
void DrawThumbnail(TImage&, int, int) {}
