#pragma once

#include <cstdint>

namespace trackkit {

using ColorRef = std::uint32_t;  // 0x00BBGGRR, as Windows stores colours
using Pixel = std::uint32_t;     // 0x00RRGGBB, as a 32-bit DIB stores them

inline constexpr ColorRef MakeColorRef(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 | static_cast<ColorRef>(b) << 16;
}

inline constexpr Pixel PixelFromColorRef(ColorRef color)
{
    return (color & 0x0000FF00u) | (color & 0xFFu) << 16 | (color >> 16 & 0xFFu);
}

} // namespace trackkit
