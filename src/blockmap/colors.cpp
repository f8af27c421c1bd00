#include "blockmap/colors.h"

namespace trackkit {
namespace {

std::uint32_t Channel(ColorRef color, int shift)
{
    return color >> shift & 0xFFu;
}

// (weight * block + (4 - weight) * face + 2) / 4 per channel. For weights 1
// and 3 this is the quarter mix as written; for 2 it equals
// (block + face + 1) / 2, and 0 and 4 give face and block unchanged.
ColorRef Mix(ColorRef face, ColorRef block, std::uint32_t weight)
{
    ColorRef mixed = 0;
    for (const int shift : {0, 8, 16}) {
        const std::uint32_t value = (weight * Channel(block, shift) + (4 - weight) * Channel(face, shift) + 2) / 4;
        mixed |= value << shift;
    }
    return mixed;
}

} // namespace

LevelPixels BuildLevelPixels(ColorRef face, ColorRef block)
{
    LevelPixels levels{};
    for (int level = 0; level < kLevelCount; ++level)
        levels[static_cast<std::size_t>(level)] = PixelFromColorRef(Mix(face, block, static_cast<std::uint32_t>(level)));
    return levels;
}

} // namespace trackkit
