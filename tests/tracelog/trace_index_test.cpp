#include "tracelog/trace_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "tracelog/flag_names.h"
#include "sim/plain_locale_text.h"
#include "tracelog/trace_load_status.h"
#include "trace_log_bytes.h"

namespace trackkit {
namespace {

using testing::MakeRecord;
using Rows = std::vector<std::uint32_t>;
using Texts = std::vector<std::wstring>;

// "D<filetime>" and "T<filetime>": texts that say which record they came from.
struct StampTimeText final : TraceTimeText {
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override
    {
        std::swprintf(date, TraceColumnTexts::kDateChars, L"D%llu", static_cast<unsigned long long>(fileTime));
        std::swprintf(time, TraceColumnTexts::kTimeChars, L"T%llu", static_cast<unsigned long long>(fileTime));
        return true;
    }
};

TraceRecord With(TraceRecord record, std::int32_t line, std::uint32_t status, char16_t drive = 0)
{
    record.lineNumber = line;
    record.status = status;
    record.driveLetter = drive;
    return record;
}

// Record i of the file, by its time: 30, 10, 20, 10, 40, 20, 50. Devices 10, 2, shadow copy 3; threads 0x1A4, 0x20.
class TraceIndexTest : public ::testing::Test {
protected:
    const std::vector<std::uint8_t> bytes = testing::TraceLogBytes(std::vector<TraceRecord>{
        With(MakeRecord(30, 10, 0x1A4, 0, "CbtWrite"), 7, 0xC0000001, u'C'),
        With(MakeRecord(10, 2, 0x20, 0, "CbtFlush"), -4, 0x00000103),
        With(MakeRecord(20, 10, 0x20, 0, "CbtFlush"), 300, 0),
        With(MakeRecord(10, 3, 0x1A4, kCbtFlagDeviceSnapshot, "CbtOpen, \"quoted\""), 12, 0, u'D'),
        With(MakeRecord(40, 2, 0x1A4, 0, "CbtWrite"), 7, 0xC0000001),
        With(MakeRecord(20, 2, 0x20, 0, "cbtwrite"), 9, 0),
        With(MakeRecord(50, 10, 0x20, 0, "CbtClose"), 1, 0),
    });
    const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(bytes), {});
    StampTimeText timeText;
};

TEST_F(TraceIndexTest, TimeOrderKeepsTheFilesOrderForEqualTimesAndTheListsOfferEachTextOnceInTheirOrder)
{
    EXPECT_EQ(*index.TimeOrder(), (Rows{1, 3, 2, 5, 0, 4, 6}));
    EXPECT_EQ(index.DeviceTexts(), (Texts{L"HarddiskVolume10", L"HarddiskVolume2", L"HarddiskVolumeShadowCopy3"}));
    EXPECT_EQ(index.ThreadTexts(), (Texts{L"0x00000020", L"0x000001A4"}));

    const auto inOrder = testing::TraceLogBytes(std::vector{MakeRecord(1, 1, 1), MakeRecord(1, 1, 1), MakeRecord(2, 1, 1)});
    const TraceLogIndex sorted = *TraceLogIndex::Build(LocateTraceRecords(inOrder), {});
    EXPECT_EQ(*sorted.TimeOrder(), (Rows{0, 1, 2}));

    std::vector<std::size_t> told;
    const auto stop = [&](std::size_t done, std::size_t total) { told.push_back(total - done); return false; };
    EXPECT_FALSE(TraceLogIndex::Build(LocateTraceRecords(bytes), stop).has_value());
    EXPECT_EQ(told, std::vector<std::size_t>{7}) << "asked before the first record";
}

TEST_F(TraceIndexTest, FiltersSelectByTheirTextsInTimeOrder)
{
    const struct { const wchar_t* device; const wchar_t* thread; Rows rows; } cases[] = {
        {L"*", L"*", {1, 3, 2, 5, 0, 4, 6}},
        {L"", L"", {1, 3, 2, 5, 0, 4, 6}},
        {L"HarddiskVolume10", L"*", {2, 0, 6}},
        {L"HarddiskVolumeShadowCopy3", L"*", {3}},
        {L"*", L"0x000001A4", {3, 0, 4}},
        {L"HarddiskVolume2", L"0x00000020", {1, 5}},
        {L"HarddiskVolume3", L"*", {}},  // not a shadow copy: no such device
        {L"*", L"0x1A4", {}},
        {L"*", L"0x000001a4", {}},  // the lists' texts are upper case
    };
    for (const auto& c : cases)
        EXPECT_EQ(*SelectRows(index, {c.device, c.thread}), c.rows) << c.device << " " << c.thread;
}

// Ties keep time order whichever way a column sorts; names sort as text, devices naturally, numbers as numbers.
TEST_F(TraceIndexTest, ColumnsSortTheirWayAndTiesKeepTimeOrder)
{
    const struct { TraceColumn column; bool descending; Rows rows; } cases[] = {
        {TraceColumn::Time, false, {1, 3, 2, 5, 0, 4, 6}},
        {TraceColumn::Date, true, {6, 4, 0, 2, 5, 1, 3}},
        {TraceColumn::Function, false, {6, 1, 2, 3, 0, 4, 5}},
        {TraceColumn::LineNumber, false, {1, 6, 0, 4, 5, 3, 2}},
        {TraceColumn::LineNumber, true, {2, 3, 5, 0, 4, 6, 1}},
        {TraceColumn::Status, false, {3, 2, 5, 6, 1, 0, 4}},
        {TraceColumn::DeviceName, false, {1, 5, 4, 2, 0, 6, 3}},
        {TraceColumn::Drive, true, {3, 0, 1, 2, 5, 4, 6}},
        {TraceColumn::ThreadId, false, {1, 2, 5, 6, 3, 0, 4}},
        {TraceColumn::Flags, true, {3, 1, 2, 5, 0, 4, 6}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(*SortRows(index, SelectRows(index, {}), c.column, c.descending), c.rows) << std::wstring(ColumnTitle(c.column)) << (c.descending ? L" descending" : L"");
    }
}

// Logs far out of time order, larger than any move budget: the rows are every record once, in (time, place in
// the file) order, and filters and every column's sort keep ties in that order.
TEST(TraceIndexOrderTest, LogsFarOutOfOrderListEveryRecordOnceInTimeOrder)
{
    constexpr std::uint32_t kCount = 40000;
    std::mt19937 random(7);
    const auto Draw = [&random](std::uint32_t below) { return static_cast<std::uint32_t>(random() % below); };
    const auto time = [](std::uint32_t i) { return std::uint64_t{i}; };
    const struct { const char* what; std::function<std::uint64_t(std::uint32_t)> timeOf; } logs[] = {
        {"reversed", [&](std::uint32_t i) { return time(kCount - i); }},
        {"shuffled", [&](std::uint32_t) { return std::uint64_t{Draw(kCount)}; }},
        {"wrapped", [&](std::uint32_t i) { return time((i + kCount / 3) % kCount); }},
        {"few times", [&](std::uint32_t) { return std::uint64_t{Draw(5)}; }},
        {"late threads", [&](std::uint32_t i) { return time(i % 64 == 0 ? i + 5000 : i); }},
    };
    for (const auto& log : logs) {
        SCOPED_TRACE(log.what);
        std::vector<TraceRecord> records;
        for (std::uint32_t i = 0; i < kCount; ++i) {
            const char* names[] = {"CbtWrite", "CbtFlush", "CbtOpen"};
            records.push_back(With(MakeRecord(log.timeOf(i), Draw(12), Draw(5), Draw(2) * kCbtFlagDeviceSnapshot,
                                              names[Draw(3)]), static_cast<std::int32_t>(Draw(7)) - 3,
                                   Draw(3) == 0 ? 0xC0000001 : 0, Draw(2) ? u'C' : 0));
        }
        const auto bytes = testing::TraceLogBytes(records);
        const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(bytes), {});
        Rows expected(kCount);
        std::iota(expected.begin(), expected.end(), 0u);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return records[a].timestamp < records[b].timestamp; });
        ASSERT_EQ(*SelectRows(index, {}), expected);
        EXPECT_EQ(std::pair(index.DeviceTexts().size(), index.ThreadTexts().size()), std::pair(std::size_t{24}, std::size_t{5}))
            << "12 numbers, each a volume and a shadow copy; 5 threads";

        Rows device3;
        std::copy_if(expected.begin(), expected.end(), std::back_inserter(device3),
                     [&](std::uint32_t r) { return records[r].deviceNumber == 3 && records[r].flags == 0; });
        EXPECT_EQ(*SelectRows(index, {L"HarddiskVolume3", L"*"}), device3);

        // Each column's value as a number that sorts the column's way (texts by their rank).
        const auto keyOf = [&](TraceColumn column, std::uint32_t r) -> std::int64_t {
            const TraceRecord& x = records[r];
            switch (column) {
            case TraceColumn::Function: return x.functionName[3] == 'W' ? 2 : x.functionName[3] == 'O' ? 1 : 0;
            case TraceColumn::LineNumber: return x.lineNumber;
            case TraceColumn::Status: return x.status;
            case TraceColumn::DeviceName: return (x.flags != 0 ? 100 : 0) + x.deviceNumber;
            case TraceColumn::Drive: return x.driveLetter;
            case TraceColumn::Flags: return x.flags;
            case TraceColumn::ThreadId: return x.threadId;
            default: return static_cast<std::int64_t>(x.timestamp);
            }
        };
        for (std::size_t column = 0; column < kTraceColumnCount; ++column) {
            for (const bool descending : {false, true}) {
                const Rows rows = *SortRows(index, SelectRows(index, {}), static_cast<TraceColumn>(column), descending);
                Rows sorted = expected;
                std::stable_sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
                    const std::int64_t ka = keyOf(static_cast<TraceColumn>(column), a);
                    const std::int64_t kb = keyOf(static_cast<TraceColumn>(column), b);
                    return descending ? kb < ka : ka < kb;
                });
                EXPECT_EQ(rows, sorted) << column << (descending ? " descending" : "");
            }
        }
    }
}

// Rows listed 1, 3, 2, 5, 0, 4, 6: the search starts past the row it is given and wraps around once.
TEST_F(TraceIndexTest, FindLooksInAllNineTextsBothWaysAndSaysWhenNothingMatches)
{
    const Rows rows = *SelectRows(index, {});
    const struct { std::size_t from; bool forward; const wchar_t* text; bool matchCase; std::optional<std::size_t> found; } cases[] = {
        {7, true, L"CbtWrite", true, 4},      // the Function column
        {4, true, L"CbtWrite", true, 5},
        {5, true, L"CbtWrite", true, 4},      // round again
        {5, true, L"cbtwrite", false, 3},     // any case: "cbtwrite" in place 3 comes first after wrapping
        {7, false, L"T50", true, 6},          // the Time column, from the end backwards
        {0, false, L"D10", true, 1},          // wraps to the last D10 going back
        {7, true, L"HarddiskVolumeShadowCopy3", true, 1},
        {7, true, L"STATUS_UNSUCCESSFUL", true, 4},
        {7, true, L"0x000001A4", true, 1},    // ThreadId
        {7, true, L"D:", true, 1},            // Drive
        {7, true, L"300", true, 2},           // Line Number
        {7, true, L"\"quoted\"", true, 1},
        {7, true, L"nothing like it", false, std::nullopt},
        {7, true, L"", false, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindRow(index, rows, c.from, c.forward, c.text, c.matchCase, timeText, {}), c.found)
            << c.text << " from " << c.from;
    EXPECT_EQ(FindRow(index, {}, 0, true, L"CbtWrite", true, timeText, {}), std::nullopt);
    EXPECT_EQ(FindRow(index, {4}, 1, true, L"CbtWrite", true, timeText, {}), 0u) << "a single row";
}

// What an opening's error tells the user, what the header promises, and the status line that says both.
TEST(TraceLoadStatusTest, ErrorsAndCountsBecomeOnePlainLine)
{
    using enum TraceLoadProblem;
    const std::pair<std::uint32_t, TraceLoadProblem> errors[] = {
        {2, NoSuchFile}, {3, NoSuchFile}, {87, NoSuchFile}, {0xD0000034, NoSuchFile}, {0xD000003A, NoSuchFile},
        {0xD000003B, NoSuchFile}, {0xD0000033, NoSuchFile}, {1392, NotATraceLog}, {5, Unreadable}, {0xD0000022, Unreadable}};
    for (const auto& [error, problem] : errors)
        EXPECT_EQ(ProblemOfOpenError(error), problem) << std::hex << error;

    std::vector<std::uint8_t> log = testing::TraceLogBytes(std::vector(3, MakeRecord(1, 1, 1)));
    const auto withEnd = [&](std::uint32_t end) {
        std::vector<std::uint8_t> bytes = log;
        for (int i = 0; i < 4; ++i) bytes[kTraceLogEndOffsetAt + i] = static_cast<std::uint8_t>(end >> (8 * i));
        return PromisedTraceRecords(bytes);
    };
    EXPECT_EQ((std::vector{withEnd(20 + 3 * 94), withEnd(20 + 94 + 1), withEnd(20), withEnd(0)}), (std::vector<std::size_t>{3, 2, 0, 0}));
    EXPECT_EQ(PromisedTraceRecords(std::vector<std::uint8_t>(40, 0x4A)), 0u) << "not a trace log";

    PlainLocaleText locale;
    const struct { TraceStatus status; const wchar_t* line; } lines[] = {
        {{None, L"", 0, 2, 5}, L"2 of 5 records"},
        {{None, L"", 0, 1224940, 10000000}, L"1,224,940 of 10,000,000 records"},
        {{NoSuchFile, L"", 0, 0, 0}, L"No such file."},
        {{NotATraceLog, L"", 0, 0, 0}, L"The file is not a trace log."},
        {{Unreadable, L"Access is denied.", 0, 0, 0}, L"The file cannot be read: Access is denied."},
        {{Unreadable, L"Data error.", 9, 3, 4}, L"The file cannot be read: Data error. 3 of 4 records"},
        {{TooLarge, L"Not enough memory.", 0, 0, 0}, L"The file is too large to be held in memory: Not enough memory."},
        {{Short, L"", 5000, 4000, 4000}, L"The header promises 5,000 records, the file holds 4,000. 4,000 of 4,000 records"},
        {{Cancelled, L"", 0, 0, 0}, L"Loading cancelled."},
    };
    for (const auto& c : lines)
        EXPECT_EQ(TraceStatusLine(c.status, locale), c.line);
    EXPECT_EQ((std::vector{TraceProgressLine(TraceWork::Reading, 0, 0, locale), TraceProgressLine(TraceWork::Reading, 0, 1000, locale),
                           TraceProgressLine(TraceWork::SortingRows, 65536, 1234567, locale),
                           TraceProgressLine(TraceWork::Searching, 1, 2, locale), TraceSavedLine(1, L"C:\\a.csv", locale),
                           TraceSavedLine(1000, L"b.csv", locale)}),
              (Texts{L"Loading...", L"Loading... 0 of 1,000 records", L"Sorting... 65,536 of 1,234,567 rows", L"Searching... 1 of 2 rows",
                     L"1 row saved to C:\\a.csv", L"1,000 rows saved to b.csv"}));
    EXPECT_EQ((Texts{GroupedDigits(0), GroupedDigits(999), GroupedDigits(1000), GroupedDigits(18446744073709551615ull, L".")}),
              (Texts{L"0", L"999", L"1,000", L"18.446.744.073.709.551.615"}));
}

TEST(NaturalOrderTest, DigitRunsCompareAsNumbers)
{
    const struct { const wchar_t* a; const wchar_t* b; bool less; } cases[] = {
        {L"HarddiskVolume2", L"HarddiskVolume10", true}, {L"HarddiskVolume10", L"HarddiskVolume2", false},
        {L"HarddiskVolume10", L"HarddiskVolumeShadowCopy1", true}, {L"a02", L"a2", false}, {L"a2", L"a02", false},
        {L"a2b", L"a2c", true}, {L"a", L"a1", true}, {L"x9", L"x", false}, {L"", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NaturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(TimePictureTest, MillisecondsFollowTheSecondsAsQuotedText)
{
    const struct { const wchar_t* picture; const wchar_t* separator; unsigned ms; const wchar_t* expected; } cases[] = {
        {L"h:mm:ss tt", L".", 7, L"h:mm:ss'.007' tt"},
        {L"HH:mm:ss", L",", 999, L"HH:mm:ss',999'"},
        {L"'s' H.mm.s", L".", 120, L"'s' H.mm.s'.120'"},
        {L"H:mm", L".", 5, L"H:mm"},
        {L"H:mm:ss", L"'", 1, L"H:mm:ss'''001'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimePictureWithMilliseconds(c.picture, c.separator, c.ms), c.expected) << c.picture;
}

} // namespace
} // namespace trackkit
