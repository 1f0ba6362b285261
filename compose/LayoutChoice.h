#pragma once
#include "WindowControls.h"

// The layout button: the next of the seven layouts, its first cell current.
void ChooseNextLayout(const TWindowControls& controls);
// The position button: the next cell of the current layout.
void ChooseNextPosition(const TWindowControls& controls);
// Draws a layout's thumbnail with the given cell white and the others silver.
void DrawThumbnail(TImage& thumbnail, int layout, int currentCell);
