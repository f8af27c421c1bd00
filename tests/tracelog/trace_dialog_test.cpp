// The trace log dialog's logic: row colours, the flags panel and the
// dialog's layout, and the log path from the registry and the file dialog.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/dpi.h"
#include "tracelog/flags_panel_layout.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/trace_row_colors.h"

namespace trackkit {
namespace {

// The background by the online and shutdown bits (shutdown wins), the text by
// the theme; a dark but unthemed list stays white, so its text stays dark.
TEST(TraceRowColors, BackgroundByOnlineAndShutdownBitsTextByThemeAndReadableOnTheListsOwn)
{
    constexpr ColorRef kLight = MakeColorRef(8, 8, 8), kDark = MakeColorRef(233, 234, 235);
    const struct { std::uint32_t flags; bool dark, themed; ColorRef text; std::optional<ColorRef> background; } cases[] = {
        {0x00000000, false, true, kLight, std::nullopt}, {0x00000000, true, true, kDark, std::nullopt},
        {0x00000000, true, false, kLight, std::nullopt}, {0x00000000, false, false, kLight, std::nullopt},
        {0x40001000, false, true, kLight, MakeColorRef(222, 247, 224)}, {0x00001000, true, false, kDark, MakeColorRef(24, 92, 55)},
        {0x80000000, false, true, kLight, MakeColorRef(245, 218, 214)}, {0x80001000, false, true, kLight, MakeColorRef(245, 218, 214)},
        {0x80001000, true, false, kDark, MakeColorRef(136, 20, 33)}, {0x7FFFEFFF, false, true, kLight, std::nullopt}};  // every other bit
    for (const auto& c : cases) {
        const TraceRowColors colors = RowColorsFor(c.flags, c.dark, c.themed);
        EXPECT_EQ(std::pair(colors.text, colors.background), std::pair(c.text, c.background)) << std::hex << c.flags << " " << c.dark << c.themed;
    }
}

// The text sits inside the border and a margin; the names of the named bits
// go down one line height apart and wrap to a column 600 pixels (at 96 DPI)
// further right when the next line would pass the bottom: lines at 0, 20, 40,
// 60 and 80 fit (the next top, 100, passes 100 - 20).
TEST(FlagsPanelLayout, TextInsideBorderAndMarginAndColumnsScaledWithTheDpi)
{
    const PanelBox text = FlagsPanelTextBox({0, 0, 551, 200});
    EXPECT_EQ(FlagsPanelBorderBox({0, 0, 551, 200}).left, 1);
    EXPECT_EQ((std::vector{text.left, text.top, text.right, text.bottom}), (std::vector{9, 9, 542, 191}));
    EXPECT_EQ(LayoutFlagNames(0x10000E00, text, 13, 96).count, 0u);
    for (const auto& [dpi, step] : {std::pair{96, 600}, std::pair{144, 900}, std::pair{120, 750}}) {
        const FlagNameLayout layout = LayoutFlagNames(0xFFFFFFFF, {10, 0, 2000, 100}, 20, dpi);
        ASSERT_EQ(layout.count, kCbtFlagCount);
        EXPECT_EQ((std::vector{layout.names[4].x, layout.names[4].y, layout.names[5].x, layout.names[5].y, layout.names[25].x}),
                  (std::vector{10, 80, 10 + step, 0, 10 + 5 * step})) << dpi;
        EXPECT_STREQ(layout.names[25].flag->name, L"CBT_FLAG_SHUTDOWN_PENDING");
    }
}

// The table keeps its left and top and takes what the panel (200 pixels at
// 96 DPI, at the bottom) leaves, never a negative size; the smallest client
// keeps the top controls and a table of the scaled minimum height.
TEST(TraceDialogLayout, TableTakesWhatThePanelLeavesAndTheMinimumSizeIsScaled)
{
    const struct { int width, height, dpi; std::vector<int> table, panel; } cases[] = {  // left, top, width, height
        {847, 435, 96, {11, 97, 825, 116}, {11, 224, 825, 200}},
        {847, 700, 144, {11, 97, 825, 281}, {11, 389, 825, 300}},
        {15, 250, 96, {11, 97, 0, 0}, {11, 39, 0, 200}}};
    for (const auto& c : cases) {
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, c.width, c.height, c.dpi);
        EXPECT_EQ((std::vector{layout.table.left, layout.table.top, layout.table.width, layout.table.height}), c.table) << c.width << " " << c.dpi;
        EXPECT_EQ((std::vector{layout.panel.left, layout.panel.top, layout.panel.width, layout.panel.height}), c.panel) << c.width << " " << c.dpi;
    }
    for (const int dpi : {96, 144, 192}) {
        const ClientSize minimum = MinimumTraceDialogClient(11, 97, 398, dpi);
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, minimum.width, minimum.height, dpi);
        EXPECT_EQ(std::pair(minimum.width, layout.table.height), std::pair(409, ScaleForDpi(kMinimumTableHeight, dpi))) << dpi;
        EXPECT_EQ(layout.table.top + layout.table.height + 11, layout.panel.top) << dpi;
    }
}

// UTF-16 little-endian bytes of text, then `terminators` zero units.
std::vector<std::uint8_t> Utf16(const std::wstring& text, std::size_t terminators = 1)
{
    std::vector<std::uint8_t> bytes;
    for (const wchar_t c : text)
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
    bytes.insert(bytes.end(), 2 * terminators, 0);
    return bytes;
}

TEST(TraceLogPath, RegistryValueUsableOnlyAboveEightBytesUpTo520AndWhenTerminated)
{
    const std::wstring longest(259, L'x');
    const struct { const char* name; std::vector<std::uint8_t> data; std::optional<std::wstring> expected; } cases[] = {
        {"8 bytes, four characters unterminated", Utf16(L"C:\\x", 0), std::nullopt},
        {"10 bytes", Utf16(L"C:\\x"), L"C:\\x"},
        {"9 bytes: the odd byte is a low half", {'C', 0, ':', 0, '\\', 0, 'x', 0, 'y'}, L"C:\\xy"},
        {"text ends early inside a longer value", Utf16(L"C:\\log", 20), L"C:\\log"},
        {"520 bytes, 259 characters", Utf16(longest), longest},
        {"520 bytes without a terminator", Utf16(longest + L"y", 0), std::nullopt},
        {"more than 520 bytes", Utf16(longest, 2), std::nullopt},
        {"10 zero bytes: an empty path", std::vector<std::uint8_t>(10, 0), L""}};
    for (const auto& c : cases)
        EXPECT_EQ(LogPathFromRegistryValue(c.data), c.expected) << c.name;
}

// A chosen path of up to 259 characters is kept. Drive paths get the "\??\"
// prefix, NT paths stay; 65,534 bytes is the longest object name (65,536
// would wrap the 16-bit length to 0).
TEST(TraceLogPath, ChosenPathLimitAndObjectName)
{
    EXPECT_EQ(FitLogPath(std::wstring(259, L'a')), std::wstring(259, L'a'));
    EXPECT_EQ(FitLogPath(std::wstring(260, L'a')), std::nullopt);
    EXPECT_EQ(FitLogPath(L""), L"");
    EXPECT_EQ(TraceLogObjectName(L""), std::nullopt);
    EXPECT_EQ(TraceLogObjectName(L"C:\\Logs\\x.log"), L"\\??\\C:\\Logs\\x.log");
    EXPECT_EQ(TraceLogObjectName(L"\\??\\C:\\Logs\\x.log"), L"\\??\\C:\\Logs\\x.log");
    EXPECT_EQ(TraceLogObjectName(L"\\Device\\HarddiskVolume2\\x.log"), L"\\Device\\HarddiskVolume2\\x.log");
    const std::size_t longestUnits = kMaxObjectNameBytes / 2;
    EXPECT_TRUE(TraceLogObjectName(std::wstring(longestUnits - 4, L'a')).has_value());
    EXPECT_FALSE(TraceLogObjectName(std::wstring(longestUnits - 3, L'a')).has_value());
    EXPECT_TRUE(TraceLogObjectName(L"\\" + std::wstring(longestUnits - 1, L'a')).has_value());
    EXPECT_FALSE(TraceLogObjectName(L"\\" + std::wstring(longestUnits, L'a')).has_value());
}

} // namespace
} // namespace trackkit
