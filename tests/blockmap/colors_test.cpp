#include "blockmap/colors.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace trackkit {
namespace {

TEST(PixelFromColorRef, SwapsRedAndBlue)
{
    EXPECT_EQ(PixelFromColorRef(0x00112233), 0x00332211u);
    EXPECT_EQ(PixelFromColorRef(0xFF000000), 0u);  // the top byte is no colour
}

// Each level against its own formula, per channel, for random colour pairs.
TEST(BuildLevelPixels, FollowsTheQuarterFormulas)
{
    std::mt19937 random(7);
    auto channel = [](Pixel pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); };
    for (int i = 0; i < 2000; ++i) {
        const ColorRef face = random() & 0xFFFFFF, block = random() & 0xFFFFFF;
        const LevelPixels levels = BuildLevelPixels(face, block);
        for (int shift : {0, 8, 16}) {
            const int f = channel(PixelFromColorRef(face), shift), b = channel(PixelFromColorRef(block), shift);
            EXPECT_EQ((std::array{channel(levels[0], shift), channel(levels[1], shift), channel(levels[2], shift),
                                  channel(levels[3], shift), channel(levels[4], shift)}),
                      (std::array{f, (b + 3 * f + 2) / 4, (b + f + 1) / 2, (3 * b + f + 2) / 4, b}));
        }
        for (const Pixel pixel : levels)
            EXPECT_EQ(pixel >> 24, 0u);
    }
}

// 4s/b rounded up; the division-free cutoffs give the same level for every
// possible count.
TEST(CellLevel, RoundsFourQuartersUpAndTheCutoffsAgree)
{
    const struct {
        std::uint32_t blocks, set;
        int level;
    } cases[] = {
        {1, 0, 0}, {1, 1, 4}, {3, 2, 3}, {4, 1, 1}, {4, 2, 2}, {4, 3, 3}, {4, 4, 4}, {5, 1, 1}, {5, 4, 4},
        {100, 25, 1}, {100, 26, 2}, {100, 75, 3}, {100, 76, 4}, {0xFFFFFFFF, 1, 1}, {0xFFFFFFFF, 0xFFFFFFFF, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CellLevel(c.blocks, c.set), c.level) << c.set << " of " << c.blocks;

    for (std::uint32_t b = 1; b <= 1100; b += b < 300 ? 1 : 97) {
        const LevelCutoffs cutoffs(b);
        for (std::uint32_t set = 0; set <= b; ++set)
            ASSERT_EQ(cutoffs.LevelOf(set), CellLevel(b, set)) << set << " of " << b;
    }
    const LevelCutoffs largest(0xFFFFFFFF);
    for (std::uint32_t set : {0u, 1u, 0x40000000u, 0x40000001u, 0x80000000u, 0xBFFFFFFFu, 0xC0000000u, 0xFFFFFFFFu})
        EXPECT_EQ(largest.LevelOf(set), CellLevel(0xFFFFFFFF, set)) << set;
}

} // namespace
} // namespace trackkit
