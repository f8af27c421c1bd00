#include "widgets/drag_shadow_image.h"

#include <algorithm>
#include <limits>

namespace trackkit {
namespace {

std::uint32_t Premultiply(std::uint8_t channel, std::uint8_t alpha)
{
    return (static_cast<std::uint32_t>(channel) * alpha + 127) / 255;
}

} // namespace

std::uint32_t PremultipliedPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha)
{
    return static_cast<std::uint32_t>(alpha) << 24 | Premultiply(red, alpha) << 16 | Premultiply(green, alpha) << 8 |
           Premultiply(blue, alpha);
}

std::optional<std::uint32_t> ShadowImageByteCount(int width, int height)
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
    if (bytes > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes);
}

void FillShadowImage(std::span<std::uint32_t> pixels)
{
    std::fill(pixels.begin(), pixels.end(), PremultipliedPixel(0, 0, 0, kShadowAlpha));
}

} // namespace trackkit
