#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace trackkit {

// The drag shadow is a per-pixel-alpha image: every pixel black at alpha 0x90
// (about 56 % opaque), stored premultiplied as a 32-bit DIB stores it,
// 0xAARRGGBB.
inline constexpr std::uint8_t kShadowAlpha = 0x90;

// A colour premultiplied by its alpha, each channel rounded to the nearest.
std::uint32_t PremultipliedPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);

// The image's size in bytes, width x height x 4; nothing when either side is
// not positive or the size does not fit the 32-bit size field of a DIB.
std::optional<std::uint32_t> ShadowImageByteCount(int width, int height);

// Paints every pixel of the image as the shadow: premultiplied black at
// kShadowAlpha, 0x90000000.
void FillShadowImage(std::span<std::uint32_t> pixels);

} // namespace trackkit
