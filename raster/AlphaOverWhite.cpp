#include "AlphaOverWhite.h"

void RgbaOverWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width) noexcept {
    for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        const unsigned a = rgba[3];
        const unsigned white = 255 * (255 - a) + 127;
        for (int k = 0; k < 3; ++k)
            rgb[k] = static_cast<std::uint8_t>((rgba[k] * a + white) / 255);
    }
}
