// What the trace log dialog shows: a record's column texts, the names of its status code and flag bits,
// the rows' colours, and where the flags panel and the table go.
#include "tracelog/trace_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "common/dpi.h"
#include "tracelog/bounded_text.h"
#include "tracelog/flag_names.h"
#include "tracelog/flags_panel_layout.h"
#include "tracelog/status_name_table.h"
#include "tracelog/status_names.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_row_colors.h"

namespace trackkit {
namespace {

TEST(FormatRemainingTextsTest, BuildsEachColumnAndOddFieldsGiveSoundTexts)
{
    // On failure it leaves rubbish behind, as a failed platform call may.
    struct FakeTimeText final : TraceTimeText {
        bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
            wchar_t (&time)[TraceColumnTexts::kTimeChars]) override
        {
            std::wcscpy(date, fileTime >= (1ull << 63) ? L"garbage" : L"date");
            std::wcscpy(time, L"time");
            return fileTime < (1ull << 63);
        }
    } timeText;
    const auto textsOf = [&](const TraceRecord& record) {
        TraceColumnTexts t;
        FormatRemainingTexts(record, timeText, t);
        return std::wstring(t.date) + L"|" + t.time + L"|" + t.function + L"|" + t.lineNumber + L"|" + t.status + L"|" +
               t.drive + L"|" + t.flags;
    };
    TraceRecord record{133'500'000'000'000'000ull, 0x1A4, 0x80001004, 3, u'D', 412, 0xC0000022, "CbtPreWrite"};
    EXPECT_EQ(textsOf(record), L"date|time|CbtPreWrite|412|0xC0000022 (STATUS_ACCESS_DENIED)|D:|0x80001004");
    // A time the platform cannot convert (not the rubbish it left), a name without a zero byte, the smallest line, an
    // unnamed status, no drive.
    record.timestamp = 1ull << 63, record.lineNumber = INT_MIN, record.driveLetter = 0, record.status = 0x20000000;
    std::memset(record.functionName, 'F', sizeof record.functionName);
    EXPECT_EQ(textsOf(record), L"Unknown|Unknown|" + std::wstring(63, L'F') + L"|-2147483648|0x20000000 ()||0x80001004");
    std::strcpy(record.functionName, "Cb\xE9\xFF");  // bytes above 127 keep their value
    EXPECT_EQ(textsOf(record), L"Unknown|Unknown|Cb\u00E9\u00FF|-2147483648|0x20000000 ()||0x80001004");
}

TEST(FormatDeviceNameTest, ShadowCopiesByTheSnapshotBitNumbersSignedAndTextsCutToTheirRoom)
{
    const struct { std::uint32_t number, flags; const wchar_t* name; } cases[] = {
        {3, 0, L"HarddiskVolume3"}, {3, 0x00000004, L"HarddiskVolumeShadowCopy3"}, {10, 0xFFFFFFFB, L"HarddiskVolume10"},
        {0xFFFFFFFF, 0, L"HarddiskVolume-1"}, {0x80000000, 0x4, L"HarddiskVolumeShadowCopy-2147483648"}};
    for (const auto& c : cases) {
        wchar_t name[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(c.number, c.flags, name);
        EXPECT_STREQ(name, c.name);
    }
    // Every text is cut at its buffer's room and stays terminated.
    wchar_t text[3], hex[3], number[3], one[1] = {L'x'};
    BoundedText(text).Text(L"abcdef"), BoundedText(hex).Hex32(0xC0000022), BoundedText(number).Decimal(-123),
        BoundedText(one).Text(L"abc").Char(L'd');
    EXPECT_EQ(std::wstring(text) + L"|" + hex + L"|" + number + L"|" + one, L"ab|0x|-1|");
}

// Names on the whole value, the first name of a code winning; holes, customer codes and codes outside the covered
// ranges have an empty name.
TEST(NtStatusNameTest, NamesTheCodesOfEachRangeAndNothingElse)
{
    const struct { std::uint32_t code; const char* name; } cases[] = {
        {0x00000000, "STATUS_SUCCESS"}, {0x00000121, "STATUS_DS_MEMBERSHIP_EVALUATED_LOCALLY"}, {0x00010001, "DBG_EXCEPTION_HANDLED"},
        {0x40000000, "STATUS_OBJECT_NAME_EXISTS"}, {0x400200AF, "RPC_NT_SEND_INCOMPLETE"}, {0x80000005, "STATUS_BUFFER_OVERFLOW"},
        {0xC0000022, "STATUS_ACCESS_DENIED"}, {0xC00002E8, "STATUS_MULTIPLE_FAULT_VIOLATION"}, {0xC0009898, "STATUS_WOW_ASSERTION"},
        {0xC0020034, "EPT_NT_INVALID_ENTRY"}, {0xC0030001, "RPC_NT_NO_MORE_ENTRIES"}, {0xC0140021, "STATUS_ACPI_POWER_REQUEST_FAILED"},
        {0xC0000036, ""}, {0xE0000001, ""}, {0xE0000022, ""},  // a hole inside a range; customer codes, not masked
        {0x00000122, ""}, {0xC00002E9, ""}, {0xC01C0001, ""}, {0xFFFFFFFF, ""}};  // past a covered range; a facility left out
    for (const auto& c : cases)
        EXPECT_STREQ(NtStatusName(c.code), c.name) << std::hex << c.code;
}

// The ranges the table covers, with the smallest count each must reach and
// the prefix of its names; a generator that drops or widens a range fails.
TEST(StatusNameTableTest, IsSortedAndHoldsOnlyTheCoveredRangesWithTheirPrefixes)
{
    const struct CoveredRange { std::uint32_t first, last; std::size_t leastCount; const char* prefix; } ranges[] = {
        {0x00000000, 0x00000121, 35, "STATUS_"}, {0x00010001, 0x00010002, 2, "DBG_"}, {0x40000000, 0x40000294, 43, "STATUS_"},
        {0x40010001, 0x40010008, 8, "DBG_"}, {0x40020056, 0x40020056, 1, "RPC_NT_"}, {0x400200AF, 0x400200AF, 1, "RPC_NT_"},
        {0x400A0004, 0x400A0005, 2, "STATUS_CTX_"}, {0x80000001, 0x80000289, 37, "STATUS_"}, {0x80010001, 0x80010001, 1, "DBG_"},
        {0xC0000001, 0xC00002E8, 614, "STATUS_"}, {0xC0000300, 0xC0000300, 1, "STATUS_"}, {0xC0009898, 0xC0009898, 1, "STATUS_"},
        {0xC0010001, 0xC0010002, 2, "DBG_"}, {0xC0020001, 0xC0020063, 85, ""},  // RPC_NT_ and EPT_NT_
        {0xC0030001, 0xC0030061, 21, "RPC_NT_"}, {0xC0040035, 0xC0040037, 3, "STATUS_PNP_"},
        {0xC00A0001, 0xC00A0034, 35, "STATUS_"},  // STATUS_CTX_, and STATUS_RDP_PROTOCOL_ERROR
        {0xC0140001, 0xC0140021, 27, "STATUS_ACPI_"}};
    std::size_t counts[std::size(ranges)] = {}, endpointNames = 0;
    wchar_t text[kStatusTextChars];
    for (const StatusNameRow& row : StatusNameRows()) {
        EXPECT_TRUE(&row == StatusNameRows().data() || (&row - 1)->code < row.code) << row.name;
        const auto range = std::find_if(std::begin(ranges), std::end(ranges),
            [&](auto& r) { return row.code >= r.first && row.code <= r.last; });
        ASSERT_NE(range, std::end(ranges)) << std::hex << row.code << " " << row.name;
        ++counts[range - std::begin(ranges)];
        EXPECT_EQ(std::strncmp(row.name, range->prefix, std::strlen(range->prefix)), 0) << row.name;
        endpointNames += row.code == range->first || row.code == range->last;
        FormatStatusText(row.code, text);  // every name fits the status column
        EXPECT_EQ(std::wcslen(text), std::strlen(row.name) + 13) << row.name;
    }
    for (std::size_t i = 0; i < std::size(ranges); ++i)
        EXPECT_GE(counts[i], ranges[i].leastCount) << std::hex << ranges[i].first;
    EXPECT_EQ(endpointNames, 31u) << "every range begins and ends with a named code";
}

TEST(FlagNamesTest, NamesTheSetBitsInTableOrderAndTheTableFillsTheWordButSixBits)
{
    const auto namesOf = [](std::uint32_t word) {
        std::vector<std::wstring> names;
        ForEachFlagName(word, [&](const CbtFlagName& flag) { names.emplace_back(flag.name); });
        return names;
    };
    EXPECT_EQ(namesOf(0x80001004),
        (std::vector<std::wstring>{L"CBT_FLAG_DEVICE_SNAPSHOT", L"CBT_FLAG_VOLUME_ONLINE",
        L"CBT_FLAG_SHUTDOWN_PENDING"}));
    EXPECT_EQ(namesOf(0x40000001), (std::vector<std::wstring>{L"CBT_FLAG_DEVICE_REMOVE_PENDING", L"CBT_FLAG_TRACKING_ENABLED"}));
    EXPECT_EQ(namesOf(0x10880E00), std::vector<std::wstring>{}) << "the six unnamed bits";
    EXPECT_EQ(namesOf(0xFFFFFFFF).size(), kCbtFlagCount);
    std::uint32_t named = 0;
    for (const CbtFlagName& flag : CbtFlagTable) {
        EXPECT_EQ(flag.value & (flag.value - 1), 0u) << flag.value;
        EXPECT_GT(flag.value, named) << "ascending";
        EXPECT_EQ(flag.nameBytes, (std::wcslen(flag.name) + 1) * sizeof(wchar_t)) << flag.value;
        named |= flag.value;
    }
    EXPECT_EQ(named, ~0x10880E00u);
}

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
        EXPECT_EQ(std::pair(colors.text, colors.background), std::pair(c.text, c.background)) << std::hex << c.flags
            << " " << c.dark << c.themed;
    }
}

// The text sits inside the border and a margin; the names go down one line apart and wrap to a column 600 pixels
// (at 96 DPI) further right when the next line would pass the bottom: lines at 0 to 80 fit, 100 passes 100 - 20.
TEST(FlagsPanelLayout, TextInsideBorderAndMarginAndColumnsScaledWithTheDpi)
{
    const Rect text = FlagsPanelTextBox({0, 0, 551, 200});
    EXPECT_EQ((std::vector{FlagsPanelBorderBox({0, 0, 551, 200}).left, text.left, text.top, text.right, text.bottom}),
        (std::vector{1, 9, 9, 542, 191}));
    EXPECT_EQ(LayoutFlagNames(0x10000E00, text, 13, 96).count, 0u);
    for (const auto& [dpi, step] : {std::pair{96, 600}, std::pair{144, 900}, std::pair{120, 750}}) {
        const FlagNameLayout layout = LayoutFlagNames(0xFFFFFFFF, {10, 0, 2000, 100}, 20, dpi);
        ASSERT_EQ(layout.count, kCbtFlagCount);
        EXPECT_EQ((std::vector{layout.names[4].x, layout.names[4].y, layout.names[5].x, layout.names[5].y, layout.names[25].x}),
                  (std::vector{10, 80, 10 + step, 0, 10 + 5 * step})) << dpi;
        EXPECT_STREQ(layout.names[25].flag->name, L"CBT_FLAG_SHUTDOWN_PENDING");
    }
}

// The table keeps its left and top and takes what the status line (16 pixels at 96 DPI) and the panel (200, at the
// bottom) leave, never a negative size; the smallest client keeps the top controls and a table of the minimum height.
TEST(TraceDialogLayout, TableTakesWhatTheStatusLineAndThePanelLeaveAndTheMinimumSizeIsScaled)
{
    const struct { int width, height, dpi; std::vector<int> table, status, panel; } cases[] = {  // left, top, width, height
        {847, 435, 96, {11, 97, 825, 89}, {11, 197, 825, 16}, {11, 224, 825, 200}},
        {847, 700, 144, {11, 97, 825, 246}, {11, 354, 825, 24}, {11, 389, 825, 300}},
        {15, 250, 96, {11, 97, 0, 0}, {11, 12, 0, 16}, {11, 39, 0, 200}}};
    const auto edges = [](const Rect& r) { return std::vector{r.left, r.top, r.Width(), r.Height()}; };
    for (const auto& c : cases) {
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, c.width, c.height, c.dpi);
        EXPECT_EQ(std::tuple(edges(layout.table), edges(layout.status), edges(layout.panel)),
                  std::tuple(c.table, c.status, c.panel)) << c.width << " " << c.dpi;
    }
    for (const int dpi : {96, 144, 192}) {
        const ClientSize minimum = MinimumTraceDialogClient(11, 97, 398, dpi);
        const TraceDialogLayout layout = LayoutTraceDialog(11, 97, minimum.width, minimum.height, dpi);
        EXPECT_EQ(std::pair(minimum.width, layout.table.Height()), std::pair(409, ScaleForDpi(kMinimumTableHeight, dpi))) << dpi;
        EXPECT_EQ(layout.table.top + layout.table.Height() + 11, layout.status.top) << dpi;
    }
    // A found row in the middle of a page of 20, as near as the table's ends allow.
    const struct { std::size_t row, perPage, count, top; } hits[] = {
        {500, 20, 1000, 490}, {5, 20, 1000, 0}, {995, 20, 1000, 980}, {3, 20, 10, 0}, {15, 20, 18, 0}, {10, 21, 1000, 0},
        {11, 21, 1000, 1}};
    for (const auto& c : hits)
        EXPECT_EQ(CenteredTopRow(c.row, c.perPage, c.count), c.top) << c.row;
}

} // namespace
} // namespace trackkit
