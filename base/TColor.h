#pragma once
#include <cstdint>

// Packed colour 0x00BBGGRR, red in the low byte. A negative value refers to a
// system colour, 0x80000000 + index.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
// What a pixel read outside a bitmap gives.
constexpr TColor clInvalid = static_cast<TColor>(0xFFFFFFFFu);

constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor RGB(int r, int g, int b) { return r + 256 * g + 65536 * b; }

// A colour >= 0 unchanged; a system colour looked up by its low byte (unknown
// indices give black, so the invalid colour resolves to black).
TColor ResolveColor(TColor color);
