#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/frame_commands.h"
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

TEST(FrameCommandTest, EachCommandReachesItsOwner)
{
    using enum FrameCommandTarget;
    const std::pair<std::vector<int>, FrameCommandTarget> routes[] = {
        {{40001}, Exit}, {{40002}, About}, {{40004, 40005, 40006, 40007, 40011, 40012, 40013, 40014}, TrackView},
        {{40008}, VolumeListThenTrackView}, {{40015}, InstallDriver}, {{40017}, RemoveDriver},
        {{40027}, UninstallShadowCopies}, {{40028}, TraceLog}, {{40029}, ToggleUsbExclusion}, {{40030}, ToggleVhdExclusion},
        {{0, 40000, 40003, 40009, 40010, 40016, 40026, 40031, -1}, Ignore},
    };
    for (const auto& [commands, target] : routes)
        for (const int command : commands)
            EXPECT_EQ(RouteFrameCommand(command), target) << command;
}

} // namespace
} // namespace trackkit
