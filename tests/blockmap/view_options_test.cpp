#include "blockmap/view_options.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

TEST(ViewChoices, StoredSettingsSelectTheirItemOrTheDefault)
{
    const struct {
        std::uint32_t stored;
        int command;
        std::uint32_t size;
    } sizes[] = {
        {12, 40011, 12}, {8, 40012, 8}, {4, 40013, 4}, {2, 40014, 2},
        {9, 40013, 4},  // a missing setting
        {0, 40013, 4}, {3, 40013, 4}, {0xFFFFFFFF, 40013, 4},
    };
    for (const auto& c : sizes) {
        EXPECT_EQ(BlockSizeChoiceFor(c.stored).command, c.command) << c.stored;
        EXPECT_EQ(BlockSizeChoiceFor(c.stored).value, c.size) << c.stored;
    }
    const struct {
        std::uint32_t stored;
        int command;
        std::uint32_t period;
    } speeds[] = {
        {250, 40004, 250}, {1000, 40005, 1000}, {10000, 40006, 10000}, {0x7FFFFFFF, 40007, 0x7FFFFFFF},
        {5000, 40005, 1000}, {0, 40005, 1000}, {0x80000000, 40005, 1000},
    };
    for (const auto& c : speeds) {
        EXPECT_EQ(UpdateSpeedChoiceFor(c.stored).command, c.command) << c.stored;
        EXPECT_EQ(UpdateSpeedChoiceFor(c.stored).value, c.period) << c.stored;
    }
    EXPECT_TRUE(IsPollingPaused(UpdateSpeedChoiceFor(0x7FFFFFFF).value));
    EXPECT_FALSE(IsPollingPaused(UpdateSpeedChoiceFor(10000).value));
}

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
    // What a command stores, the next start selects again.
    for (const ViewChoice& item : kUpdateSpeedChoices)
        EXPECT_EQ(UpdateSpeedChoiceFor(DecideViewCommand(item.command).value).command, item.command);
    for (const ViewChoice& item : kBlockSizeChoices)
        EXPECT_EQ(BlockSizeChoiceFor(DecideViewCommand(item.command).value).command, item.command);
}

} // namespace
} // namespace trackkit
