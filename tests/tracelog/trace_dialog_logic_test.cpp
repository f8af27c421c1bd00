#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/dpi.h"
#include "tracelog/flags_panel_layout.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_row_colors.h"

namespace trackkit {
namespace {

TEST(TraceRowColors, BackgroundByOnlineAndShutdownBitsTextByThemeAndReadableOnTheListsOwn)
{
    const struct {
        std::uint32_t flags;
        bool dark;
        bool themed;
        ColorRef text;
        std::optional<ColorRef> background;
    } cases[] = {
        {0x00000000, false, true, MakeColorRef(8, 8, 8), std::nullopt},
        {0x00000000, true, true, MakeColorRef(233, 234, 235), std::nullopt},
        {0x00000000, true, false, MakeColorRef(8, 8, 8), std::nullopt},  // unthemed list stays white
        {0x00000000, false, false, MakeColorRef(8, 8, 8), std::nullopt},
        {0x40001000, false, true, MakeColorRef(8, 8, 8), MakeColorRef(222, 247, 224)},
        {0x00001000, true, false, MakeColorRef(233, 234, 235), MakeColorRef(24, 92, 55)},
        {0x80000000, false, true, MakeColorRef(8, 8, 8), MakeColorRef(245, 218, 214)},
        {0x80001000, false, true, MakeColorRef(8, 8, 8), MakeColorRef(245, 218, 214)},  // shutdown wins
        {0x80001000, true, false, MakeColorRef(233, 234, 235), MakeColorRef(136, 20, 33)},
        {0x7FFFEFFF, false, true, MakeColorRef(8, 8, 8), std::nullopt},  // every other bit
    };
    for (const auto& c : cases) {
        const TraceRowColors colors = RowColorsFor(c.flags, c.dark, c.themed);
        EXPECT_EQ(colors.text, c.text) << std::hex << c.flags << " dark " << c.dark;
        EXPECT_EQ(colors.background, c.background) << std::hex << c.flags << " dark " << c.dark;
    }
}

std::wstring NameAt(const FlagNameLayout& layout, std::size_t i) { return layout.names[i].flag->name; }

TEST(FlagsPanelLayout, TextInsideBorderAndMarginAndOnlyNamedBitsLaidOut)
{
    const PanelBox item{0, 0, 551, 200};
    EXPECT_EQ(FlagsPanelBorderBox(item).left, 1);
    const PanelBox text = FlagsPanelTextBox(item);
    EXPECT_EQ(text.left, 9);
    EXPECT_EQ(text.top, 9);
    EXPECT_EQ(text.right, 542);
    EXPECT_EQ(text.bottom, 191);
    EXPECT_EQ(LayoutFlagNames(0x10000E00, text, 13, 96).count, 0u);
}

// Lines at 0, 20, 40, 60 and 80 fit (the next top, 100, passes 100 - 20).
TEST(FlagsPanelLayout, WrapsToAColumn600PixelsAt96DpiRightWhenTheNextLineWouldPassTheBottom)
{
    const PanelBox text{10, 0, 2000, 100};
    for (const auto [dpi, step] : {std::pair{96, 600}, std::pair{144, 900}, std::pair{120, 750}}) {
        SCOPED_TRACE(dpi);
        const FlagNameLayout layout = LayoutFlagNames(0xFFFFFFFF, text, 20, dpi);
        ASSERT_EQ(layout.count, kCbtFlagCount);
        EXPECT_EQ(layout.names[4].x, 10);
        EXPECT_EQ(layout.names[4].y, 80);
        EXPECT_EQ(layout.names[5].x, 10 + step);
        EXPECT_EQ(layout.names[5].y, 0);
        EXPECT_EQ(layout.names[25].x, 10 + 5 * step);
        EXPECT_EQ(NameAt(layout, 25), L"CBT_FLAG_SHUTDOWN_PENDING");
    }
}

TEST(TraceDialogLayout, TableTakesWhatThePanelLeavesAndNeverGoesNegative)
{
    const TraceDialogLayout layout = LayoutTraceDialog(11, 97, 847, 435, 96);
    EXPECT_EQ(layout.table.left, 11);
    EXPECT_EQ(layout.table.top, 97);
    EXPECT_EQ(layout.table.width, 825);
    EXPECT_EQ(layout.table.height, 435 - 97 - 22 - 200);
    EXPECT_EQ(layout.panel.left, 11);
    EXPECT_EQ(layout.panel.top, 435 - 11 - 200);
    EXPECT_EQ(layout.panel.width, 825);
    EXPECT_EQ(layout.panel.height, 200);

    const TraceDialogLayout tiny = LayoutTraceDialog(11, 97, 15, 250, 96);
    EXPECT_EQ(tiny.table.width, 0);
    EXPECT_EQ(tiny.table.height, 0);
    EXPECT_EQ(tiny.panel.height, 200);

    const TraceDialogLayout at144 = LayoutTraceDialog(11, 97, 847, 700, 144);
    EXPECT_EQ(at144.panel.height, 300) << "the panel grows with the DPI";
    EXPECT_EQ(at144.panel.top, 700 - 11 - 300);
    EXPECT_EQ(at144.table.height, 700 - 97 - 22 - 300);
}

TEST(TraceDialogLayout, MinimumSizeKeepsTheTopControlsAndAScaledTable)
{
    for (const int dpi : {96, 144, 192}) {
        const ClientSize minimum = MinimumTraceDialogClient(11, 97, 398, dpi);
        EXPECT_EQ(minimum.width, 409);
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, minimum.width, minimum.height, dpi);
        EXPECT_EQ(layout.table.height, ScaleForDpi(kMinimumTableHeight, dpi)) << dpi;
        EXPECT_EQ(layout.table.top + layout.table.height + 11, layout.panel.top) << dpi;
    }
}

} // namespace
} // namespace trackkit
