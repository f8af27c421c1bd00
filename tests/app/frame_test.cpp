#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "app/frame_layout.h"

namespace trackkit {
namespace {

TEST(FrameMetricsTest, ScaleWithTheScreensDpi)
{
    const auto all = [](const FrameMetrics& m) {
        return std::tuple(m.volumeListWidth, m.paneExtent, m.descriptionColumn, m.valueColumn, m.minimumTrackWidth,
                          m.minimumTrackHeight);
    };
    EXPECT_EQ(all(ComputeFrameMetrics(96, 96)), std::tuple(280, 340, 560, 140, 640, 280));
    // 280 * 120 / 96 = 350, halved to 175; the minimum height follows the vertical DPI.
    EXPECT_EQ(all(ComputeFrameMetrics(120, 72)), std::tuple(350, 425, 700, 175, 800, 210));
}

TEST(FramePlacementTest, StoredPlacementsThatWouldHideTheTitleBarLetTheSystemChoose)
{
    constexpr int kDefault = kSystemChoosesPosition;
    const FramePlacement primaryOnly{0, 0, 1920, 1080};
    const FramePlacement leftMonitorToo{-1280, -200, 3200, 1280};  // a 1280 x 1024 monitor left of and above
    const struct { const char* what; FramePlacement screen, stored, expected; } cases[] = {
        {"on screen", primaryOnly, {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"nothing stored", primaryOnly, {kDefault, kDefault, kDefault, kDefault}, {kDefault, kDefault, kDefault, kDefault}},
        {"right of every monitor", primaryOnly, {5000, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"left edge exactly at the screen's right edge", primaryOnly, {1920, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"no width", primaryOnly, {100, 50, 0, 600}, {100, 50, kDefault, kDefault}},
        {"absurdly tall", primaryOnly, {100, 50, 800, 100000}, {100, 50, kDefault, kDefault}},
        {"four screens tall at most", primaryOnly, {100, 50, 800, 4320}, {100, 50, 800, 4320}},
        {"no screen known: only a stored position is needed", {0, 0, 0, 0}, {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"a screen without a height is no screen known", {0, 0, 1920, 0}, {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"partly off the left edge", primaryOnly, {-20, 50, 800, 600}, {-20, 50, 800, 600}},
        {"right edge exactly at the screen's left edge", primaryOnly, {-800, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"one pixel wide", primaryOnly, {100, 50, 1, 600}, {100, 50, 1, 600}},
        {"title bar above the screen", primaryOnly, {100, -30, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"below the screen", primaryOnly, {100, 1080, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"on a monitor left of the primary", leftMonitorToo, {-1000, 100, 800, 600}, {-1000, 100, 800, 600}},
        {"on a monitor above the primary", leftMonitorToo, {-500, -150, 800, 600}, {-500, -150, 800, 600}},
        {"left of the leftmost monitor", leftMonitorToo, {-2100, 100, 800, 600}, {kDefault, kDefault, 800, 600}},
    };
    const auto all = [](const FramePlacement& p) { return std::tuple(p.left, p.top, p.width, p.height); };
    for (const auto& c : cases)
        EXPECT_EQ(all(SanitizeFramePlacement(c.stored, c.screen)), all(c.expected)) << c.what;
}

TEST(StatisticsColumnsTest, TheLabelsGetTheirWidthAndTheValueTheRest)
{
    const struct { const char* what; int listWidth, longestLabel, dpi, description, value; } cases[] = {
        {"default window", 660, 190, 96, 206, 454},
        {"wide window: the value takes all the rest", 1500, 190, 96, 206, 1294},
        {"minimum window: the value keeps its 140", 300, 190, 96, 160, 140},
        {"narrower still: the description keeps 100", 200, 190, 96, 100, 140},
        {"an overlong label is held to twice the volume list", 2000, 900, 96, 560, 1440},
        {"144 DPI scales the margin and the minimums", 300, 285, 144, 150, 210},
    };
    for (const auto& c : cases) {
        const StatisticsColumns columns = FitStatisticsColumns(c.listWidth, c.longestLabel, c.dpi);
        EXPECT_EQ(std::pair(columns.description, columns.value), std::pair(c.description, c.value)) << c.what;
    }
}

// Every id around the menu's range: what it does, and for a View choice the value it sets. 0 is a dismissed menu.
TEST(CommandTable, EachCommandItsActionAndEachChoiceItsValue)
{
    using enum CommandAction;
    const struct { int id; std::optional<CommandAction> action; std::uint32_t value; } cases[] = {
        {40001, Exit, 0}, {40002, About, 0}, {40004, ChooseSetting, 250}, {40005, ChooseSetting, 1000},
        {40006, ChooseSetting, 10000}, {40007, ChooseSetting, 0x7FFFFFFF}, {40008, RefreshNow, 0},
        {40011, ChooseSetting, 12}, {40012, ChooseSetting, 8}, {40013, ChooseSetting, 4}, {40014, ChooseSetting, 2},
        {40015, InstallDriver, 0}, {40017, RemoveDriver, 0}, {40027, UninstallShadowCopies, 0}, {40028, TraceLog, 0},
        {40029, ToggleUsbExclusion, 0}, {40030, ToggleVhdExclusion, 0}, {40031, ChangedFiles, 0},
        {0, {}, 0}, {40000, {}, 0}, {40003, {}, 0}, {40009, {}, 0}, {40010, {}, 0}, {40016, {}, 0}, {40026, {}, 0},
        {40032, {}, 0}, {-40004, {}, 0},
    };
    for (const auto& c : cases) {
        const Command* command = FindCommand(c.id);
        ASSERT_EQ(command != nullptr, c.action.has_value()) << c.id;
        if (command != nullptr) {
            EXPECT_TRUE(command->action == *c.action && (command->action != ChooseSetting || ChoiceValue(*command) == c.value))
                << c.id;
        }
    }
}

// A stored value that is none of the choices becomes "Small" (4) or "Normal" (1000), and that is the item
// checked; the other settings take any value.
TEST(CommandTable, StoredChoicesAreMadeAcceptableAndMarkTheirItem)
{
    const struct { std::uint32_t storedSize, storedSpeed; int sizeCommand, speedCommand; std::uint32_t size, speed; } stored[] = {
        {12, 250, 40011, 40004, 12, 250}, {8, 1000, 40012, 40005, 8, 1000}, {4, 10000, 40013, 40006, 4, 10000},
        {2, 0x7FFFFFFF, 40014, 40007, 2, 0x7FFFFFFF}, {9, 5000, 40013, 40005, 4, 1000},  // first run: the defaults
        // 0, 0: unreadable
        {0, 0, 40013, 40005, 4, 1000}, {3, 0x80000000, 40013, 40005, 4, 1000},
        {0xFFFFFFFF, 0x7FFFFFFE, 40013, 40005, 4, 1000},
    };
    for (const auto& c : stored) {
        AppSettings settings{c.storedSize, c.storedSpeed, 0x123456, -5, 0, 7, 0x7FFFFFFF};
        ApplyAcceptedValues(settings);
        using Fields = std::array<std::int64_t, 8>;
        EXPECT_EQ((Fields{ChoiceCommandFor(SettingId::BlockSize, settings.blockSize),
                          ChoiceCommandFor(SettingId::UpdateSpeed, settings.updateSpeed), settings.blockSize,
                          settings.updateSpeed, settings.blockColor, settings.windowLeft, settings.windowWidth,
                          settings.windowHeight}),
                  (Fields{c.sizeCommand, c.speedCommand, c.size, c.speed, 0x123456, -5, 7, 0x7FFFFFFF}))
            << c.storedSize << " " << c.storedSpeed;
    }
    EXPECT_EQ(ChoiceCommands(SettingId::UpdateSpeed), (std::array{40004, 40005, 40006, 40007}));
    EXPECT_EQ(ChoiceCommands(SettingId::BlockSize), (std::array{40011, 40012, 40013, 40014}));
}

} // namespace
} // namespace trackkit
