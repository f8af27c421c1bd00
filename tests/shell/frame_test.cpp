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

    const FrameMetrics at144 = ComputeFrameMetrics(144, 144);
    EXPECT_EQ(at144.minimumTrackWidth, 960);
    EXPECT_EQ(at144.minimumTrackHeight, 420);
    EXPECT_EQ(at144.descriptionColumn, 840);

    const FrameMetrics odd = ComputeFrameMetrics(120, 72);  // 280 * 120 / 96 = 350, halved to 175
    EXPECT_EQ(odd.valueColumn, 175);
    EXPECT_EQ(odd.minimumTrackHeight, 210) << "the minimum height follows the vertical DPI";
}

TEST(FramePlacementTest, StoredPlacementsThatWouldHideTheFrameLetTheSystemChoose)
{
    constexpr int kDefault = kSystemChoosesPosition;
    const struct {
        FramePlacement stored;
        FramePlacement expected;
    } cases[] = {
        {{100, 50, 800, 600}, {100, 50, 800, 600}},
        {{kDefault, kDefault, kDefault, kDefault}, {kDefault, kDefault, kDefault, kDefault}},
        {{5000, 50, 800, 600}, {kDefault, kDefault, 800, 600}},   // right of every monitor
        {{100, 50, 0, 600}, {100, 50, kDefault, kDefault}},       // no width
        {{100, 50, 800, 100000}, {100, 50, kDefault, kDefault}},  // absurdly tall
        {{-20, 50, 800, 600}, {kDefault, kDefault, 800, 600}},
    };
    for (const auto& c : cases) {
        const FramePlacement placed = SanitizeFramePlacement(c.stored, 1920, 1080);
        EXPECT_EQ(placed.left, c.expected.left);
        EXPECT_EQ(placed.top, c.expected.top);
        EXPECT_EQ(placed.width, c.expected.width);
        EXPECT_EQ(placed.height, c.expected.height);
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
