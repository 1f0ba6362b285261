#pragma once
class QWidget;

// Fonts of the window's description are given by their character height in
// pixels, as a negative "FontHeight" on the control that sets the font. A
// pixel size stays the designed size at 96 dots per inch and scales with the
// window on a high-density screen; a point size would follow the desktop's
// font resolution instead.
void ApplyFontHeights(QWidget& root);
