#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "widgets/about_animation.h"
#include "widgets/about_version.h"

namespace trackkit {
namespace {

TilePoint RestOf(int tile) { return {tile % 16 * 31, tile / 16 * 34}; }  // tiles of 31 x 34 in the 500 x 137 picture

// Scattered at `start` by the idle timer drawing `numbers` (the last repeats); by default tile i pairs with i ^ 1 via i + 64k.
AboutAnimation Scattered(std::uint32_t start, std::vector<int> numbers = {})
{
    for (int i = numbers.empty() ? 0 : kAboutTileCount; i < kAboutTileCount; ++i)
        numbers.push_back((i ^ 1) + 64 * (i + 1));
    AboutAnimation animation = CreateAboutAnimation(500, 137);
    EXPECT_TRUE(StartIdle(animation));
    std::size_t next = 0;
    const AboutStep step = OnIdleTimer(animation, start, [&] { return numbers[std::min(next++, numbers.size() - 1)]; });
    EXPECT_TRUE(step.timers == TimerSwitch::IdleToFrame && !step.repaint);
    return animation;
}

TEST(AboutVersionText, ShowsMajorMinorAndBuildOrTheDefault)
{
    EXPECT_EQ(AboutVersionText(FileVersion{10, 0, 8750, 0}), L"Version 10.0, Build 8750");
    EXPECT_EQ(AboutVersionText(FileVersion{65535, 65535, 65535, 65535}), L"Version 65535.65535, Build 65535");
    EXPECT_EQ(AboutVersionText(std::nullopt), L"Version 1.00");
}

TEST(CrtRandom, RepeatsTheUnseededSequenceOfMicrosoftsRand)
{
    for (CrtRandom random; int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464})
        EXPECT_EQ(random.Next(), expected);
}

// Sixteen by four tiles at rest, or none (and no timer) when a tile would get no pixel; the picture centred or cropped.
TEST(CreateAboutAnimation, CutsThePictureIntoTilesAtRestAndCentresIt)
{
    const struct { int width, height, tileWidth, tileHeight; } cases[] = {
        {500, 137, 31, 34}, {16, 4, 1, 1}, {0, 0, 0, 0}, {15, 137, 0, 0}, {500, 3, 0, 0}, {-16, 4, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        AboutAnimation animation = CreateAboutAnimation(c.width, c.height);
        const bool tiled = c.tileWidth != 0;
        EXPECT_TRUE(!animation.animating && !animation.idle && StartIdle(animation) == tiled && animation.idle == tiled
            && !animation.animating);
        ASSERT_EQ(animation.tiles.size(), tiled ? 64u : 0u);
        for (std::size_t k = 0; k < animation.tiles.size(); k += 21) {
            const AboutTile& tile = animation.tiles[k];
            const TilePoint rest{int(k) % 16 * c.tileWidth, int(k) / 16 * c.tileHeight};
            EXPECT_TRUE(tile.source == rest && tile.rest == rest && tile.current == rest && tile.target == TilePoint{} &&
                        tile.width == c.tileWidth && tile.height == c.tileHeight) << k;
        }
    }
    const struct { int left, top, right; TilePoint expected; } origins[] = {  // 499: the last pixel cut; 401: 49 left, 50 right
        {0, 0, 600, {50, 16}}, {10, 5, 610, {60, 21}}, {0, 0, 499, {0, 16}}, {0, 0, 400, {-50, 16}}, {0, 0, 401, {-49, 16}},
        {0, 0, 0, {-250, 16}}};
    for (const auto& c : origins)
        EXPECT_EQ(PictureOrigin(c.left, c.top, c.right, 500), c.expected) << c.left << ".." << c.right;
}

TEST(OnIdleTimer, PairsEachTileWithTheDrawnOneOnlyOnceAndLaterPairsWin)
{
    AboutAnimation animation = Scattered(5000), allToFive = Scattered(0, {5});
    EXPECT_TRUE(animation.animating && !animation.idle);
    for (int k = 0; k < kAboutTileCount; ++k)
        EXPECT_TRUE(animation.tiles[k].target == RestOf(k ^ 1)
            && allToFive.tiles[k].target == (k == 5 ? RestOf(63) : RestOf(5))) << "tile " << k;
    bool drawn = false;
    const AboutStep late = OnIdleTimer(animation, 5016, [&] { drawn = true; return 0; });
    EXPECT_TRUE(late.timers == TimerSwitch::None && !late.repaint && !drawn) << "a late idle tick during the scatter";
}

// Across a wrap of the tick count, half-way to the target and back over four seconds, slowly at first
// (1 - sin((1 - t / 4 s) x pi/2)), truncating toward zero; at four seconds the scatter ends, the tiles at rest.
TEST(OnFrameTimer, MovesTheTilesForTheTimeSinceTheStartAndEndsAtFourSeconds)
{
    const std::uint32_t start = 0xFFFFF000u;
    // Tiles 0, 1 and 16; none listed: at rest. 16000 is where the curve is back at 0, 0xFFFFFFFF a clock that went back.
    const struct { std::uint32_t elapsed; bool ends; std::vector<TilePoint> tiles; } cases[] = {
        {0, false, {}},                                 // no time has passed: nothing to do
        {2000, false, {{9, 0}, {21, 0}, {9, 34}}},      // 0.293: 9.08, 21.92 (not 31 - 9)
        {3000, false, {{11, 0}, {19, 0}, {11, 34}}},    // 0.617: 31 - 19.14, 19.14
        {3999, false, {{0, 0}, {30, 0}, {0, 34}}}, {4000, true, {}}, {4001, true, {}}, {16000, true, {}}, {0xFFFFFFFFu, true, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsed);
        AboutAnimation animation = Scattered(start);
        const AboutStep step = OnFrameTimer(animation, start + c.elapsed);
        EXPECT_TRUE(step.repaint == (c.elapsed != 0) && step.timers == (c.ends ? TimerSwitch::FrameToIdle : TimerSwitch::None) &&
                    animation.animating == !c.ends && animation.idle == c.ends);
        EXPECT_EQ((std::vector{animation.tiles[0].current, animation.tiles[1].current, animation.tiles[16].current}),
                  (c.tiles.empty() ? std::vector{RestOf(0), RestOf(1), RestOf(16)} : c.tiles));
    }
    for (const auto& [elapsed, progress] : {std::pair{0u, 0.0}, {2000u, 0.29289321881}, {4000u, 1.0}, {16000u, 0.0}})
        EXPECT_NEAR(ScatterProgress(elapsed), progress, 1e-9) << elapsed;
}

} // namespace
} // namespace trackkit
