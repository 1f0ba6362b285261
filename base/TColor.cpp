#include "TColor.h"

#include <array>

namespace {

// The classic Windows standard scheme, indexed by COLOR_* (0x00BBGGRR).
constexpr std::array<TColor, 31> kSystemColors = {
    0xC0C0C0, // 0 scroll bar
    0x808000, // 1 desktop
    0x800000, // 2 active caption
    0x808080, // 3 inactive caption
    0xC0C0C0, // 4 menu
    0xFFFFFF, // 5 window
    0x000000, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0xFFFFFF, // 9 caption text
    0xC0C0C0, // 10 active border
    0xC0C0C0, // 11 inactive border
    0x808080, // 12 application workspace
    0x800000, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xC0C0C0, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC0C0C0, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x000000, // 21 3-D dark shadow
    0xC0C0C0, // 22 3-D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background
    0x000000, // 25 (none)
    0x800000, // 26 hot light
    0xF0CAA6, // 27 gradient active caption
    0xC0C0C0, // 28 gradient inactive caption
    0x800000, // 29 menu highlight
    0xC0C0C0, // 30 menu bar
};

} // namespace

TColor ResolveColor(TColor color) {
    if (color >= 0)
        return color;
    const unsigned index = static_cast<unsigned>(color) & 0xFFu;
    // Index 25 has no system colour either; it is stored as black above.
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}
