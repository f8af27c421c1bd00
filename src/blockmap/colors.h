#pragma once

#include <array>
#include <cstdint>

namespace trackkit {

using ColorRef = std::uint32_t;  // 0x00BBGGRR, as Windows stores colours
using Pixel = std::uint32_t;     // 0x00RRGGBB, as a 32-bit DIB stores them

inline constexpr ColorRef MakeColorRef(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 | static_cast<ColorRef>(b) << 16;
}

inline constexpr ColorRef kCbtColor = MakeColorRef(200, 0, 20);  // 0x001400C8
static_assert(kCbtColor == 0x001400C8);

inline constexpr Pixel PixelFromColorRef(ColorRef color)
{
    return (color & 0x0000FF00u) | (color & 0xFFu) << 16 | (color >> 16 & 0xFFu);
}

inline constexpr int kLevelCount = 5;
using LevelPixels = std::array<Pixel, kLevelCount>;

// Level 0 is the face colour (nothing changed), level 4 the block colour (all
// changed); levels 1 to 3 mix them a quarter, a half and three quarters.
LevelPixels BuildLevelPixels(ColorRef face, ColorRef block);

// 4s/b rounded up: the level of a cell of b blocks with s of them set.
inline constexpr int CellLevel(std::uint32_t blocksPerCell, std::uint32_t setCount)
{
    return static_cast<int>((static_cast<std::uint64_t>(blocksPerCell) - 1 + 4ull * setCount) / blocksPerCell);
}

// CellLevel without a division per cell: the level is the number of these
// set counts that a cell reaches. Level L >= 1 needs 4s >= (L - 1) b + 1.
struct LevelCutoffs {
    std::array<std::uint64_t, kLevelCount - 1> minimumSet{};

    explicit constexpr LevelCutoffs(std::uint32_t blocksPerCell)
    {
        for (std::uint64_t level = 1; level < kLevelCount; ++level)
            minimumSet[level - 1] = ((level - 1) * blocksPerCell + 1 + 3) / 4;
    }

    constexpr int LevelOf(std::uint64_t setCount) const
    {
        return int{setCount >= minimumSet[0]} + int{setCount >= minimumSet[1]} + int{setCount >= minimumSet[2]} +
               int{setCount >= minimumSet[3]};
    }
};

} // namespace trackkit
