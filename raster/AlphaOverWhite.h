#pragma once
#include <cstdint>

// `width` RGBA pixels (not premultiplied, 8 bits a channel) laid over white
// into RGB888: c * a / 255 + 255 * (255 - a) / 255, rounded.
void RgbaOverWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width) noexcept;
