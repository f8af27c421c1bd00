#pragma once

#include <array>
#include <cstdint>

#include "common/color.h"

namespace trackkit {

inline constexpr ColorRef kCbtColor = MakeColorRef(200, 0, 20);  // 0x001400C8
static_assert(kCbtColor == 0x001400C8);

// The cells of the files picked in the changed-files window. Amber stands
// apart from the $CBT red, from the default block colour (the system's
// highlight blue) and from both the light and the dark face greys.
inline constexpr ColorRef kOutlineColor = MakeColorRef(255, 176, 0);

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
