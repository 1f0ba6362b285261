#pragma once
#include "TColor.h"

#include <QFont>
#include <string>

constexpr int SHIFTJIS_CHARSET = 128;
constexpr int DEFAULT_CHARSET = 1;

struct TFont {
    std::string Name = "ＭＳ Ｐゴシック"; // UTF-8; mapped to an installed font
    int Size = 9;                         // points
    TColor Color = clWindowText;
    int Charset = SHIFTJIS_CHARSET;
    bool Bold = false;
    // Pixel height: the integer nearest to Size * 96 / 72.
    int PixelHeight() const;
};

// Maps the Windows face names the program uses onto installed fonts (the IPA
// fonts for the Japanese faces). Safe to call any number of times.
void RegisterFontSubstitutes();

// The Qt font for a canvas font: family by name, pixel size from PixelHeight(),
// bold flag, and no antialiasing so text pixels are exactly font colour or
// background.
QFont ToQFont(const TFont& font);
