#include "widgets/about_animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace trackkit {
namespace {

// The picture of the program: 500 x 137, so tiles of 31 x 34.
AboutAnimation ProgramPicture() { return CreateAboutAnimation(500, 137); }

// A random source that plays back fixed numbers, then repeats the last.
std::function<int()> Playback(std::vector<int> numbers)
{
    return [numbers, next = std::size_t{0}]() mutable { return numbers[std::min(next++, numbers.size() - 1)]; };
}

// Pairs every tile with its neighbour (0-1, 2-3, ...), through numbers that
// are not below 64, so the modulo matters.
std::function<int()> NeighbourPairs()
{
    std::vector<int> numbers;
    for (int i = 0; i < kAboutTileCount; ++i)
        numbers.push_back((i ^ 1) + 64 * (i + 1));
    return Playback(numbers);
}

TilePoint RestOf(int tile) { return {tile % 16 * 31, tile / 16 * 34}; }

TEST(CrtRandom, RepeatsTheUnseededSequenceOfMicrosoftsRand)
{
    CrtRandom random;
    std::vector<int> drawn;
    for (int i = 0; i < 10; ++i)
        drawn.push_back(random.Next());
    EXPECT_EQ(drawn, (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
}

TEST(CreateAboutAnimation, CutsThePictureIntoSixtyFourTilesAtRest)
{
    const AboutAnimation animation = ProgramPicture();
    ASSERT_EQ(animation.tiles.size(), 64u);
    for (int k : {0, 17, 63}) {
        SCOPED_TRACE(k);
        const AboutTile& tile = animation.tiles[static_cast<std::size_t>(k)];
        EXPECT_EQ(tile.source, RestOf(k));
        EXPECT_EQ(tile.rest, RestOf(k));
        EXPECT_EQ(tile.current, RestOf(k));
        EXPECT_EQ(tile.target, TilePoint{});
        EXPECT_EQ(tile.width, 31);
        EXPECT_EQ(tile.height, 34);
    }
    EXPECT_FALSE(animation.animating);
    EXPECT_FALSE(animation.idle);
}

TEST(CreateAboutAnimation, APictureTooSmallForATilePixelGivesNoTilesAndNoTimer)
{
    const struct {
        int width, height;
        std::size_t tiles;
    } cases[] = {{0, 0, 0}, {15, 137, 0}, {500, 3, 0}, {16, 4, 64}, {-16, 4, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        AboutAnimation animation = CreateAboutAnimation(c.width, c.height);
        EXPECT_EQ(animation.tiles.size(), c.tiles);
        EXPECT_EQ(StartIdle(animation), c.tiles != 0);
        EXPECT_EQ(animation.idle, c.tiles != 0);
    }
}

TEST(ScatterProgress, EasesInFromZeroToOneOverFourSeconds)
{
    EXPECT_DOUBLE_EQ(ScatterProgress(0), 0.0);
    EXPECT_NEAR(ScatterProgress(2000), 0.29289321881, 1e-9);  // 1 - sin(pi/4)
    EXPECT_NEAR(ScatterProgress(3000), 0.61731656763, 1e-9);
    EXPECT_NEAR(ScatterProgress(4000), 1.0, 1e-12);
    // Left alone, the curve would start over: the frame step must not trust it.
    EXPECT_NEAR(ScatterProgress(16000), 0.0, 1e-9);
}

TEST(TileCoordinate, GoesHalfWayAndBackTruncatingTheWholeValueTowardZero)
{
    const double atTwoSeconds = ScatterProgress(2000);
    const double atThreeSeconds = ScatterProgress(3000);
    const struct {
        const char* name;
        int rest, target;
        double progress;
        int expected;
    } cases[] = {
        {"start", 279, 0, 0.0, 279},
        {"forward, 81.7", 0, 279, atTwoSeconds, 81},
        {"backward, 197.3: not 279 - 81", 279, 0, atTwoSeconds, 197},
        {"midpoint from below, 139.5", 0, 279, 0.5, 139},
        {"midpoint from above, 139.5", 279, 0, 0.5, 139},
        {"on the way back, 106.8", 0, 279, atThreeSeconds, 106},
        {"on the way back from above, 172.2", 279, 0, atThreeSeconds, 172},
        {"end", 0, 279, 1.0, 0},
        {"target is the rest", 93, 93, atTwoSeconds, 93},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TileCoordinate(c.rest, c.target, c.progress), c.expected);
    }
}

TEST(OnIdleTimer, PairsEachTileWithTheDrawnOneAndStartsTheFrameTimer)
{
    AboutAnimation animation = ProgramPicture();
    StartIdle(animation);
    const AboutStep step = OnIdleTimer(animation, 5000, NeighbourPairs());
    EXPECT_EQ(step.timers, TimerSwitch::IdleToFrame);
    EXPECT_TRUE(animation.animating);
    EXPECT_FALSE(animation.idle);
    EXPECT_EQ(animation.startTick, 5000u);
    for (int k = 0; k < kAboutTileCount; ++k)
        EXPECT_EQ(animation.tiles[static_cast<std::size_t>(k)].target, RestOf(k ^ 1)) << "tile " << k;

    // Only once: a late idle tick during the scatter draws nothing.
    bool drawn = false;
    EXPECT_EQ(OnIdleTimer(animation, 5016, [&] { drawn = true; return 0; }).timers, TimerSwitch::None);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(animation.startTick, 5000u);
}

TEST(OnIdleTimer, LaterPairsOverwriteEarlierTargets)
{
    AboutAnimation animation = ProgramPicture();
    StartIdle(animation);
    OnIdleTimer(animation, 0, Playback({5}));  // every tile pairs with tile 5
    for (int k = 0; k < kAboutTileCount; ++k)
        EXPECT_EQ(animation.tiles[static_cast<std::size_t>(k)].target, k == 5 ? RestOf(63) : RestOf(5)) << "tile " << k;
}

TEST(OnFrameTimer, MovesTheTilesForTheTimeSinceTheStart)
{
    AboutAnimation animation = ProgramPicture();
    StartIdle(animation);
    OnIdleTimer(animation, 10000, NeighbourPairs());

    const AboutStep unmoved = OnFrameTimer(animation, 10000);
    EXPECT_EQ(unmoved.timers, TimerSwitch::None);
    EXPECT_FALSE(unmoved.repaint);
    EXPECT_EQ(animation.tiles[1].current, RestOf(1));

    const AboutStep step = OnFrameTimer(animation, 12000);
    EXPECT_EQ(step.timers, TimerSwitch::None);
    EXPECT_TRUE(step.repaint);
    EXPECT_EQ(animation.tiles[0].current, (TilePoint{9, 0}));    // 31 * 0.293 = 9.08
    EXPECT_EQ(animation.tiles[1].current, (TilePoint{21, 0}));   // 31 - 9.08
    EXPECT_EQ(animation.tiles[16].current, (TilePoint{9, 34}));
    EXPECT_TRUE(animation.animating);
}

TEST(OnFrameTimer, ATileWhoseTargetIsItsRestDoesNotMove)
{
    std::vector<int> itself;
    for (int i = 0; i < kAboutTileCount; ++i)
        itself.push_back(i);
    AboutAnimation animation = ProgramPicture();
    StartIdle(animation);
    OnIdleTimer(animation, 0, Playback(itself));
    for (std::uint32_t now : {16u, 2000u, 2667u, 3500u}) {
        OnFrameTimer(animation, now);
        for (int k = 0; k < kAboutTileCount; ++k)
            ASSERT_EQ(animation.tiles[static_cast<std::size_t>(k)].current, RestOf(k)) << now << " ms, tile " << k;
    }
}

TEST(OnFrameTimer, EndsTheScatterAfterFourSecondsWithEveryTileAtRest)
{
    const std::uint32_t start = 0xFFFFF000u;  // the tick count wraps during the scatter
    const struct {
        const char* name;
        std::uint32_t elapsed;
        bool ends;
    } cases[] = {
        {"one short", 3999, false},
        {"exact", 4000, true},
        {"one long", 4001, true},
        {"where the curve is back at 0", 16000, true},
        {"a clock that went back", 0xFFFFFFFFu, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AboutAnimation animation = ProgramPicture();
        StartIdle(animation);
        OnIdleTimer(animation, start, NeighbourPairs());
        const AboutStep step = OnFrameTimer(animation, start + c.elapsed);
        EXPECT_TRUE(step.repaint);
        EXPECT_EQ(step.timers, c.ends ? TimerSwitch::FrameToIdle : TimerSwitch::None);
        EXPECT_EQ(animation.animating, !c.ends);
        EXPECT_EQ(animation.idle, c.ends);
        EXPECT_EQ(animation.tiles[1].current == RestOf(1), c.ends);  // 30 just before the end
    }
}

// The dialog's two timers, played out: the idle timer fires 16000 ms after
// it was started, the frame timer every 16 ms while it runs.
struct Scatter {
    std::uint32_t start;
    std::uint32_t end;
};

std::vector<Scatter> PlayTimers(std::uint32_t opened, std::uint32_t until)
{
    constexpr std::uint32_t kOff = 0xFFFFFFFFu;
    AboutAnimation animation = ProgramPicture();
    CrtRandom random;
    // When each timer fires next, in ms since the dialog opened.
    std::uint32_t idleDue = StartIdle(animation) ? kAboutIdlePeriod : kOff;
    std::uint32_t frameDue = kOff;
    std::vector<Scatter> scatters;
    for (std::uint32_t elapsed = 0; elapsed <= until; ++elapsed) {
        const std::uint32_t now = opened + elapsed;
        AboutStep step;
        if (elapsed == idleDue) {
            step = OnIdleTimer(animation, now, [&] { return random.Next(); });
        } else if (elapsed == frameDue) {
            step = OnFrameTimer(animation, now);
            frameDue += kAboutFramePeriod;
        }
        if (step.timers == TimerSwitch::IdleToFrame) {
            idleDue = kOff;
            frameDue = elapsed + kAboutFramePeriod;
            scatters.push_back({elapsed, 0});
        }
        if (step.timers == TimerSwitch::FrameToIdle) {
            frameDue = kOff;
            idleDue = elapsed + kAboutIdlePeriod;
            scatters.back().end = elapsed;
        }
    }
    return scatters;
}

TEST(AboutTimers, ScatterAtSixteenSecondsEndAtTwentyAndStartAgainAtThirtySix)
{
    for (std::uint32_t opened : {1000u, 0xFFFFFFFFu - 17000u}) {
        SCOPED_TRACE(opened);
        const std::vector<Scatter> scatters = PlayTimers(opened, 41000);
        ASSERT_EQ(scatters.size(), 2u);
        EXPECT_EQ(scatters[0].start, 16000u);
        EXPECT_EQ(scatters[0].end, 20000u);
        EXPECT_EQ(scatters[1].start, 36000u);
        EXPECT_EQ(scatters[1].end, 40000u);
    }
}

TEST(PictureOrigin, CentresThePictureAndCropsANarrowClientEqually)
{
    const struct {
        int left, top, right;
        TilePoint expected;
    } cases[] = {
        {0, 0, 600, {50, 16}},
        {10, 5, 610, {60, 21}},
        {0, 0, 500, {0, 16}},
        {0, 0, 499, {0, 16}},    // one short: the last pixel is cut
        {0, 0, 400, {-50, 16}},  // 50 cut on each side
        {0, 0, 401, {-49, 16}},  // 49 on the left, 50 on the right
        {0, 0, 0, {-250, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << ".." << c.right);
        const TilePoint origin = PictureOrigin(c.left, c.top, c.right, 500);
        EXPECT_EQ(origin, c.expected);
        const int cutLeft = c.left - origin.x;
        const int cutRight = origin.x + 500 - c.right;
        EXPECT_LE(std::abs(cutLeft - cutRight), 1);
    }
}

} // namespace
} // namespace trackkit
