#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "widgets/about_animation.h"
#include "widgets/about_version.h"

namespace trackkit {
namespace {

// The program's picture is 500 x 137: tiles of 31 x 34.
TilePoint RestOf(int tile) { return {tile % 16 * 31, tile / 16 * 34}; }

// The program's picture, idle, then scattered at `start` by the idle timer
// drawing `numbers` (the last one repeats).
AboutAnimation Scattered(std::uint32_t start, std::vector<int> numbers)
{
    AboutAnimation animation = CreateAboutAnimation(500, 137);
    EXPECT_TRUE(StartIdle(animation));
    std::size_t next = 0;
    const AboutStep step = OnIdleTimer(animation, start, [&] { return numbers[std::min(next++, numbers.size() - 1)]; });
    EXPECT_EQ(step.timers, TimerSwitch::IdleToFrame);
    EXPECT_FALSE(step.repaint);
    return animation;
}

// Tile i with its neighbour (0-1, 2-3, ...), through numbers of 64 and more, so the modulo matters.
std::vector<int> NeighbourPairs()
{
    std::vector<int> numbers;
    for (int i = 0; i < kAboutTileCount; ++i)
        numbers.push_back((i ^ 1) + 64 * (i + 1));
    return numbers;
}

TEST(AboutVersionText, ShowsMajorMinorAndBuildOrTheDefault)
{
    EXPECT_EQ(AboutVersionText(FileVersion{10, 0, 8750, 0}), L"Version 10.0, Build 8750");
    EXPECT_EQ(AboutVersionText(FileVersion{65535, 65535, 65535, 65535}), L"Version 65535.65535, Build 65535");
    EXPECT_EQ(AboutVersionText(std::nullopt), L"Version 1.00");
}

TEST(CrtRandom, RepeatsTheUnseededSequenceOfMicrosoftsRand)
{
    CrtRandom random;
    std::vector<int> drawn;
    for (int i = 0; i < 10; ++i)
        drawn.push_back(random.Next());
    EXPECT_EQ(drawn, (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
}

// Sixteen by four tiles at rest, or none (and no timer) when a tile would get no pixel.
TEST(CreateAboutAnimation, CutsThePictureIntoTilesAtRest)
{
    const struct {
        int width, height, tileWidth, tileHeight;
    } cases[] = {{500, 137, 31, 34}, {16, 4, 1, 1}, {0, 0, 0, 0}, {15, 137, 0, 0}, {500, 3, 0, 0}, {-16, 4, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        AboutAnimation animation = CreateAboutAnimation(c.width, c.height);
        const bool tiled = c.tileWidth != 0;
        EXPECT_FALSE(animation.animating || animation.idle);
        EXPECT_EQ(StartIdle(animation), tiled);
        EXPECT_EQ(animation.idle, tiled);
        ASSERT_EQ(animation.tiles.size(), tiled ? 64u : 0u);
        if (!tiled)
            continue;
        for (int k : {17, 63}) {
            const AboutTile& tile = animation.tiles[static_cast<std::size_t>(k)];
            const TilePoint rest{k % 16 * c.tileWidth, k / 16 * c.tileHeight};
            EXPECT_TRUE(tile.source == rest && tile.rest == rest && tile.current == rest) << k;
            EXPECT_EQ(tile.target, TilePoint{});
            EXPECT_EQ(tile.width, c.tileWidth);
            EXPECT_EQ(tile.height, c.tileHeight);
        }
    }
}

// Half-way towards the target and back over four seconds, slowly at first,
// truncating the whole value toward zero.
TEST(ScatterCurve, ProgressAndTileCoordinates)
{
    EXPECT_DOUBLE_EQ(ScatterProgress(0), 0.0);
    EXPECT_NEAR(ScatterProgress(2000), 0.29289321881, 1e-9);  // 1 - sin(pi/4)
    EXPECT_NEAR(ScatterProgress(3000), 0.61731656763, 1e-9);
    EXPECT_NEAR(ScatterProgress(4000), 1.0, 1e-12);
    EXPECT_NEAR(ScatterProgress(16000), 0.0, 1e-9) << "the curve starts over: the frame step must not trust it";

    const struct {
        int rest, target;
        double progress;
        int expected;
    } cases[] = {
        {279, 0, 0.0, 279},      {0, 279, 0.29289321881, 81}, {279, 0, 0.29289321881, 197},  // 197.3: not 279 - 81
        {0, 279, 0.5, 139},      {0, 279, 0.61731656763, 106},
        {279, 0, 0.61731656763, 172}, {0, 279, 1.0, 0},       {93, 93, 0.29289321881, 93},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TileCoordinate(c.rest, c.target, c.progress), c.expected) << c.rest << "->" << c.target << " at " << c.progress;
}

TEST(OnIdleTimer, PairsEachTileWithTheDrawnOneOnlyOnceAndLaterPairsWin)
{
    AboutAnimation animation = Scattered(5000, NeighbourPairs());
    EXPECT_TRUE(animation.animating);
    EXPECT_FALSE(animation.idle);
    EXPECT_EQ(animation.startTick, 5000u);
    for (int k = 0; k < kAboutTileCount; ++k)
        EXPECT_EQ(animation.tiles[static_cast<std::size_t>(k)].target, RestOf(k ^ 1)) << "tile " << k;

    bool drawn = false;
    EXPECT_EQ(OnIdleTimer(animation, 5016, [&] { drawn = true; return 0; }).timers, TimerSwitch::None);
    EXPECT_FALSE(drawn) << "a late idle tick during the scatter";
    EXPECT_EQ(animation.startTick, 5000u);

    AboutAnimation allToFive = Scattered(0, {5});
    for (int k = 0; k < kAboutTileCount; ++k)
        EXPECT_EQ(allToFive.tiles[static_cast<std::size_t>(k)].target, k == 5 ? RestOf(63) : RestOf(5)) << "tile " << k;
}

// A frame places the tiles for the time since the scatter began, across a
// wrap of the tick count, and ends the scatter, tiles at rest, at four seconds.
TEST(OnFrameTimer, MovesTheTilesForTheTimeSinceTheStartAndEndsAtFourSeconds)
{
    const std::uint32_t start = 0xFFFFF000u;
    const struct {
        std::uint32_t elapsed;
        bool ends;
        TilePoint tile1;
    } cases[] = {
        {0, false, RestOf(1)},  // no time has passed: nothing to do
        {2000, false, {21, 0}}, // 31 - 31 x 0.293
        {3999, false, {30, 0}},  {4000, true, RestOf(1)}, {4001, true, RestOf(1)},
        {16000, true, RestOf(1)},      // where the curve is back at 0
        {0xFFFFFFFFu, true, RestOf(1)}, // a clock that went back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsed);
        AboutAnimation animation = Scattered(start, NeighbourPairs());
        const AboutStep step = OnFrameTimer(animation, start + c.elapsed);
        EXPECT_EQ(step.repaint, c.elapsed != 0);
        EXPECT_EQ(step.timers, c.ends ? TimerSwitch::FrameToIdle : TimerSwitch::None);
        EXPECT_EQ(animation.animating, !c.ends);
        EXPECT_EQ(animation.idle, c.ends);
        EXPECT_EQ(animation.tiles[1].current, c.tile1);
        if (c.elapsed == 2000) {
            EXPECT_EQ(animation.tiles[0].current, (TilePoint{9, 0}));  // 31 x 0.293 = 9.08
            EXPECT_EQ(animation.tiles[16].current, (TilePoint{9, 34}));
        }
    }
    // The dialog's timers: a scatter every 16 seconds, a frame every 16 ms.
    EXPECT_EQ(kAboutIdlePeriod, 16000u);
    EXPECT_EQ(kAboutFramePeriod, 16u);
}

TEST(PictureOrigin, CentresThePictureAndCropsANarrowClientEqually)
{
    const struct {
        int left, top, right;
        TilePoint expected;
    } cases[] = {
        {0, 0, 600, {50, 16}}, {10, 5, 610, {60, 21}}, {0, 0, 499, {0, 16}},  // one short: the last pixel is cut
        {0, 0, 400, {-50, 16}}, {0, 0, 401, {-49, 16}},                        // 49 cut on the left, 50 on the right
        {0, 0, 0, {-250, 16}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureOrigin(c.left, c.top, c.right, 500), c.expected) << c.left << ".." << c.right;
}

} // namespace
} // namespace trackkit
