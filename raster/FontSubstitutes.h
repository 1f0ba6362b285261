#pragma once
#include <QFont>

struct TFont;

// Maps the Windows face names the program uses onto installed fonts (the IPA
// fonts for the Japanese faces). Safe to call any number of times.
void RegisterFontSubstitutes();

// The Qt font for a canvas font: family by name, pixel size from PixelHeight(),
// bold flag, and no antialiasing so text pixels are exactly font colour or
// background.
QFont ToQFont(const TFont& font);
