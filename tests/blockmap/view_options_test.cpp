// The View menu's commands, and the pane's record: the settings it starts
// from and the grid it keeps for hit tests.
#include "blockmap/view_options.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "blockmap/view_state.h"

namespace trackkit {
namespace {

TEST(DecideViewCommand, EachCommandAroundTheRange)
{
    const struct {
        int command;
        ViewAction action;
        std::uint32_t value;
    } cases[] = {
        {40003, ViewAction::Ignore, 0},       {40004, ViewAction::SetPollPeriod, 250},
        {40005, ViewAction::SetPollPeriod, 1000}, {40006, ViewAction::SetPollPeriod, 10000},
        {40007, ViewAction::SetPollPeriod, 0x7FFFFFFF}, {40008, ViewAction::RefreshNow, 0},
        {40009, ViewAction::Ignore, 0},       {40010, ViewAction::Ignore, 0},
        {40011, ViewAction::SetBlockSize, 12}, {40012, ViewAction::SetBlockSize, 8},
        {40013, ViewAction::SetBlockSize, 4}, {40014, ViewAction::SetBlockSize, 2},
        {40015, ViewAction::Ignore, 0},       {40028, ViewAction::Ignore, 0},  // "&Trace Log..." is the frame's
        {0, ViewAction::Ignore, 0},           {-40004, ViewAction::Ignore, 0},  // 0: a dismissed context menu
    };
    for (const auto& c : cases) {
        const ViewCommandResult result = DecideViewCommand(c.command);
        EXPECT_EQ(result.action, c.action) << c.command;
        EXPECT_EQ(result.value, c.value) << c.command;
        const bool checksItem = c.action == ViewAction::SetPollPeriod || c.action == ViewAction::SetBlockSize;
        EXPECT_EQ(result.checkedCommand, checksItem ? c.command : 0) << c.command;
    }
    EXPECT_TRUE(IsPollingPaused(0x7FFFFFFF));
    EXPECT_FALSE(IsPollingPaused(10000));
}

// A stored value that is none of the menu's choices is replaced, in the
// record and in the settings, by "Small" (4) or "Normal" (1000).
TEST(ViewState, StoredSettingsSelectTheirItemOrTheDefault)
{
    const struct {
        std::uint32_t storedSize, storedSpeed;
        int sizeCommand, speedCommand;
        std::uint32_t size, speed;
    } cases[] = {
        {12, 250, 40011, 40004, 12, 250}, {8, 1000, 40012, 40005, 8, 1000},
        {4, 10000, 40013, 40006, 4, 10000}, {2, 0x7FFFFFFF, 40014, 40007, 2, 0x7FFFFFFF},
        {9, 5000, 40013, 40005, 4, 1000},  // first run: the defaults
        {0, 0, 40013, 40005, 4, 1000},     // the key could not be read
        {3, 0x80000000, 40013, 40005, 4, 1000}, {0xFFFFFFFF, 0x7FFFFFFE, 40013, 40005, 4, 1000},
    };
    for (const auto& c : cases) {
        TrackViewState view;
        AppSettings settings;
        settings.blockSize = c.storedSize;
        settings.updateSpeed = c.storedSpeed;

        const ViewMenuChecks checks = ApplyStoredViewSettings(view, settings);
        EXPECT_EQ(checks.blockSizeCommand, c.sizeCommand) << c.storedSize;
        EXPECT_EQ(checks.updateSpeedCommand, c.speedCommand) << c.storedSpeed;
        EXPECT_EQ((std::array{view.blockSize, settings.blockSize, view.session.pollPeriod, settings.updateSpeed}),
                  (std::array{c.size, c.size, c.speed, c.speed}))
            << c.storedSize << " " << c.storedSpeed;
    }
}

TEST(ViewState, APaintWithoutAGridKeepsTheLastLayoutForHitTests)
{
    TrackViewState view;
    ASSERT_TRUE(view.session.bitmap.SizeFor(5529));
    view.session.geometry.blockCount = 5529;
    view.blockSize = 4;
    std::vector<Pixel> pixels(500 * 301);
    const PixelBuffer target{pixels.data(), 500, 301, 500};

    RememberLayout(view, PaintBlockMap(PictureOf(view, 500, 300, 0), target));
    ASSERT_EQ(view.lastLayout.lastColumn, 97);
    RememberLayout(view, PaintBlockMap(PictureOf(view, 12, 12, 0), target));  // at most three pitches
    EXPECT_EQ((std::array{view.lastLayout.blocksPerCell, std::uint32_t(view.lastLayout.pitchX), std::uint32_t(view.lastLayout.lastColumn)}),
              (std::array{1u, 5u, 97u}));
}

} // namespace
} // namespace trackkit
