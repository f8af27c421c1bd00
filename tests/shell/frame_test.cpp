#include <gtest/gtest.h>

#include "shell/frame_commands.h"
#include "shell/frame_layout.h"

namespace trackkit {
namespace {

TEST(FrameMetricsTest, ScaleWithTheScreensDpi)
{
    const FrameMetrics at96 = ComputeFrameMetrics(96, 96);
    EXPECT_EQ(at96.volumeListWidth, 280);
    EXPECT_EQ(at96.paneExtent, 340);
    EXPECT_EQ(at96.descriptionColumn, 560);
    EXPECT_EQ(at96.valueColumn, 140);
    EXPECT_EQ(at96.minimumTrackWidth, 640);
    EXPECT_EQ(at96.minimumTrackHeight, 280);

    const FrameMetrics odd = ComputeFrameMetrics(120, 72);  // 280 * 120 / 96 = 350, halved to 175
    EXPECT_EQ(odd.valueColumn, 175);
    EXPECT_EQ(odd.minimumTrackHeight, 210) << "the minimum height follows the vertical DPI";
}

TEST(FramePlacementTest, StoredPlacementsThatWouldHideTheTitleBarLetTheSystemChoose)
{
    constexpr int kDefault = kSystemChoosesPosition;
    const FramePlacement primaryOnly{0, 0, 1920, 1080};
    const FramePlacement leftMonitorToo{-1280, -200, 3200, 1280};  // a 1280 x 1024 monitor left of and above
    const struct {
        const char* what;
        FramePlacement screen;
        FramePlacement stored;
        FramePlacement expected;
    } cases[] = {
        {"on screen", primaryOnly, {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"nothing stored", primaryOnly, {kDefault, kDefault, kDefault, kDefault}, {kDefault, kDefault, kDefault, kDefault}},
        {"right of every monitor", primaryOnly, {5000, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"no width", primaryOnly, {100, 50, 0, 600}, {100, 50, kDefault, kDefault}},
        {"absurdly tall", primaryOnly, {100, 50, 800, 100000}, {100, 50, kDefault, kDefault}},
        {"four screens tall at most", primaryOnly, {100, 50, 800, 4320}, {100, 50, 800, 4320}},
        {"no screen known: only a stored position is needed", {0, 0, 0, 0}, {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"partly off the left edge", primaryOnly, {-20, 50, 800, 600}, {-20, 50, 800, 600}},
        {"right edge exactly at the screen's left edge", primaryOnly, {-800, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"one pixel wide", primaryOnly, {100, 50, 1, 600}, {100, 50, 1, 600}},
        {"title bar above the screen", primaryOnly, {100, -30, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"below the screen", primaryOnly, {100, 1080, 800, 600}, {kDefault, kDefault, 800, 600}},
        {"on a monitor left of the primary", leftMonitorToo, {-1000, 100, 800, 600}, {-1000, 100, 800, 600}},
        {"on a monitor above the primary", leftMonitorToo, {-500, -150, 800, 600}, {-500, -150, 800, 600}},
        {"left of the leftmost monitor", leftMonitorToo, {-2100, 100, 800, 600}, {kDefault, kDefault, 800, 600}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FramePlacement placed = SanitizeFramePlacement(c.stored, c.screen);
        EXPECT_EQ(placed.left, c.expected.left);
        EXPECT_EQ(placed.top, c.expected.top);
        EXPECT_EQ(placed.width, c.expected.width);
        EXPECT_EQ(placed.height, c.expected.height);
    }
}

TEST(StatisticsColumnsTest, TheLabelsGetTheirWidthAndTheValueTheRest)
{
    const struct {
        const char* what;
        int listWidth, longestLabel, dpi;
        StatisticsColumns expected;
    } cases[] = {
        {"default window", 660, 190, 96, {206, 454}},
        {"wide window: the value takes all the rest", 1500, 190, 96, {206, 1294}},
        {"minimum window: the value keeps its 140", 300, 190, 96, {160, 140}},
        {"narrower still: the description keeps 100", 200, 190, 96, {100, 140}},
        {"an overlong label is held to twice the volume list", 2000, 900, 96, {560, 1440}},
        {"144 DPI scales the margin and the minimums", 300, 285, 144, {100 * 3 / 2, 210}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const StatisticsColumns columns = FitStatisticsColumns(c.listWidth, c.longestLabel, c.dpi);
        EXPECT_EQ(columns.description, c.expected.description);
        EXPECT_EQ(columns.value, c.expected.value);
    }
}

TEST(FrameCommandTest, EachCommandReachesItsOwner)
{
    EXPECT_EQ(RouteFrameCommand(40001), FrameCommandTarget::Exit);
    EXPECT_EQ(RouteFrameCommand(40002), FrameCommandTarget::About);
    for (int command : {40004, 40005, 40006, 40007, 40011, 40012, 40013, 40014})
        EXPECT_EQ(RouteFrameCommand(command), FrameCommandTarget::TrackView) << command;
    EXPECT_EQ(RouteFrameCommand(40008), FrameCommandTarget::VolumeListThenTrackView);
    EXPECT_EQ(RouteFrameCommand(40015), FrameCommandTarget::InstallDriver);
    EXPECT_EQ(RouteFrameCommand(40017), FrameCommandTarget::RemoveDriver);
    EXPECT_EQ(RouteFrameCommand(40027), FrameCommandTarget::UninstallShadowCopies);
    EXPECT_EQ(RouteFrameCommand(40028), FrameCommandTarget::TraceLog);
    EXPECT_EQ(RouteFrameCommand(40029), FrameCommandTarget::ToggleUsbExclusion);
    EXPECT_EQ(RouteFrameCommand(40030), FrameCommandTarget::ToggleVhdExclusion);
    for (int command : {0, 40000, 40003, 40009, 40010, 40016, 40026, 40031, -1})
        EXPECT_EQ(RouteFrameCommand(command), FrameCommandTarget::Ignore) << command;
}

} // namespace
} // namespace trackkit
