#include <gtest/gtest.h>

#include <string>

#include "common/dpi.h"
#include "tracelog/flags_panel_layout.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_row_colors.h"

namespace trackkit {
namespace {

TEST(TraceRowColors, BackgroundByOnlineAndShutdownBitsTextByThemeAndReadableOnTheListsOwn)
{
    constexpr ColorRef white = MakeColorRef(255, 255, 255);
    constexpr ColorRef darkList = MakeColorRef(32, 32, 32);
    const struct {
        std::uint32_t flags;
        bool dark;
        ColorRef list;
        ColorRef text;
        std::optional<ColorRef> background;
    } cases[] = {
        {0x00000000, false, white, MakeColorRef(8, 8, 8), std::nullopt},
        {0x00000000, true, darkList, MakeColorRef(233, 234, 235), std::nullopt},
        {0x00000000, true, white, MakeColorRef(8, 8, 8), std::nullopt},  // light text on white is unreadable
        {0x00000000, true, MakeColorRef(128, 128, 128), MakeColorRef(8, 8, 8), std::nullopt},
        {0x40001000, false, white, MakeColorRef(8, 8, 8), MakeColorRef(222, 247, 224)},
        {0x00001000, true, white, MakeColorRef(233, 234, 235), MakeColorRef(24, 92, 55)},
        {0x80000000, false, white, MakeColorRef(8, 8, 8), MakeColorRef(245, 218, 214)},
        {0x80001000, false, white, MakeColorRef(8, 8, 8), MakeColorRef(245, 218, 214)},  // shutdown wins
        {0x80001000, true, white, MakeColorRef(233, 234, 235), MakeColorRef(136, 20, 33)},
        {0x7FFFEFFF, false, white, MakeColorRef(8, 8, 8), std::nullopt},  // every other bit
    };
    for (const auto& c : cases) {
        const TraceRowColors colors = RowColorsFor(c.flags, c.dark, c.list);
        EXPECT_EQ(colors.text, c.text) << std::hex << c.flags << " dark " << c.dark;
        EXPECT_EQ(colors.background, c.background) << std::hex << c.flags << " dark " << c.dark;
    }
}

std::wstring NameAt(const FlagNameLayout& layout, std::size_t i) { return layout.names[i].flag->name; }

TEST(FlagsPanelLayout, NamesInTableOrderOneLineApartInsideBorderAndMargin)
{
    const PanelBox item{0, 0, 551, 200};
    EXPECT_EQ(FlagsPanelBorderBox(item).left, 1);
    const PanelBox text = FlagsPanelTextBox(item);
    EXPECT_EQ(text.left, 9);
    EXPECT_EQ(text.top, 9);
    EXPECT_EQ(text.right, 542);
    EXPECT_EQ(text.bottom, 191);

    const FlagNameLayout layout = LayoutFlagNames(0x40001000, text, 13);
    ASSERT_EQ(layout.count, 2u);
    EXPECT_EQ(NameAt(layout, 0), L"CBT_FLAG_VOLUME_ONLINE");
    EXPECT_EQ(NameAt(layout, 1), L"CBT_FLAG_TRACKING_ENABLED");
    EXPECT_EQ(layout.names[0].x, 9);
    EXPECT_EQ(layout.names[0].y, 9);
    EXPECT_EQ(layout.names[1].x, 9);
    EXPECT_EQ(layout.names[1].y, 22);

    EXPECT_EQ(LayoutFlagNames(0x10000E00, text, 13).count, 0u);
}

TEST(FlagsPanelLayout, WrapsToAColumn600PixelsRightWhenTheNextLineWouldPassTheBottom)
{
    // Lines at 0, 20, 40, 60 and 80 fit (the next top, 100, passes 100 - 20).
    const PanelBox text{10, 0, 2000, 100};
    const FlagNameLayout layout = LayoutFlagNames(0xFFFFFFFF, text, 20);
    ASSERT_EQ(layout.count, kCbtFlagCount);
    EXPECT_EQ(layout.names[4].x, 10);
    EXPECT_EQ(layout.names[4].y, 80);
    EXPECT_EQ(layout.names[5].x, 610);
    EXPECT_EQ(layout.names[5].y, 0);
    EXPECT_EQ(layout.names[25].x, 10 + 5 * 600);
    EXPECT_EQ(NameAt(layout, 25), L"CBT_FLAG_SHUTDOWN_PENDING");
}

TEST(TraceDialogLayout, TableTakesWhatThePanelLeavesAndNeverGoesNegative)
{
    const TraceDialogLayout layout = LayoutTraceDialog(11, 97, 847, 435);
    EXPECT_EQ(layout.table.left, 11);
    EXPECT_EQ(layout.table.top, 97);
    EXPECT_EQ(layout.table.width, 825);
    EXPECT_EQ(layout.table.height, 435 - 97 - 22 - 200);
    EXPECT_EQ(layout.panel.left, 11);
    EXPECT_EQ(layout.panel.top, 435 - 11 - 200);
    EXPECT_EQ(layout.panel.width, 825);
    EXPECT_EQ(layout.panel.height, 200);

    const TraceDialogLayout tiny = LayoutTraceDialog(11, 97, 15, 250);
    EXPECT_EQ(tiny.table.width, 0);
    EXPECT_EQ(tiny.table.height, 0);
    EXPECT_EQ(tiny.panel.height, 200);
}

TEST(TraceDialogLayout, MinimumSizeKeepsTheTopControlsAndAScaledTable)
{
    for (const int dpi : {96, 144, 192}) {
        const ClientSize minimum = MinimumTraceDialogClient(11, 97, 398, dpi);
        EXPECT_EQ(minimum.width, 409);
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, minimum.width, minimum.height);
        EXPECT_EQ(layout.table.height, ScaleForDpi(kMinimumTableHeight, dpi)) << dpi;
        EXPECT_EQ(layout.table.top + layout.table.height + 11, layout.panel.top) << dpi;
    }
}

} // namespace
} // namespace trackkit
