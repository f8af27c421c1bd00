#include "tracking/statistics.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"

namespace trackkit {
namespace {

// Each picks the largest unit that keeps the number below a thousand and truncates.
TEST(StatisticsTest, DurationsAndTrackingTimes)
{
    const struct { std::uint64_t value; const wchar_t* nanoseconds; const wchar_t* microseconds; } cases[] = {
        {0, L"0ns", L"0\u00b5s"}, {999, L"999ns", L"999\u00b5s"}, {1000, L"1\u00b5s", L"1ms"},
        {999'999, L"999\u00b5s", L"999ms"}, {1'000'000, L"1ms", L"1s"}, {2'500'000, L"2ms", L"2s"},
        {999'999'999, L"999ms", L"999s"}, {1'000'000'000, L"1s", L"1000s"},
        {~0ull, L"18446744073s", L"18446744073709s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDuration(c.value), c.nanoseconds) << c.value;
        EXPECT_EQ(FormatTrackingTime(c.value), c.microseconds) << c.value;
    }
}

// Every field differs, so a row that shows the wrong one fails. A row that cannot be computed reads "Unknown"
// without hiding the rows after it; fields an older driver left out read 0.
TEST(StatisticsTest, EveryRowFromTheRecord)
{
    const struct { const char* name; TrackingInfo info; std::map<int, std::wstring> rows; } cases[] = {
        {"full record",
         {.clusterFactor1 = 512, .clusterFactor2 = 8, .bytesPerBlock = 65536, .cbtFirstLcn = 786432, .cbtLastLcn = 786559,
          .writesSeen = 123456789012, .pagedWrites = 3, .writesConsidered = 2500, .failedWrites = 7, .excludedWrites = 500,
          .changedBlocks = 1234, .changedBytes = 80871424, .sessionStartFileTime = 133000000000000000,
          .trackingMicroseconds = 5'000'000, .logFileRestartCount = 2, .trimBytes = 4096, .queuedWrites = 11},
         {{1, L"D133000000000000000 - T133000000000000000"}, {2, L"123456789012"}, {3, L"3"}, {4, L"11"}, {5, L"2000"},
          {6, L"500"}, {7, L"7"}, {8, L"5s"}, {9, L"2ms"} /* 5000 ms * 10^6 / 2000 writes */, {10, L"1234"},
          {11, L"80871424 bytes"}, {12, L"786432"}, {13, L"786559"}, {14, L"4096"}, {15, L"65536"}, {16, L"2"},
          {17, L"4096 bytes"}}},
        {"odd counters",
         {.clusterFactor1 = 0x10000, .clusterFactor2 = 0x10000, .writesConsidered = 1, .excludedWrites = 2,
          .sessionStartFileTime = 0x8000000000000000, .trackingMicroseconds = 999},
         {{1, L"Unknown"}, {2, L"0"}, {3, L"0"}, {4, L"0"}, {5, L"18446744073709551615"} /* wraps as unsigned */,
          {6, L"2"}, {7, L"0"}, {8, L"999\u00b5s"}, {9, L"0ns"} /* under a millisecond of tracking */, {10, L"0"},
          {11, L"0 bytes"}, {12, L"0"}, {13, L"0"}, {14, L"4294967296"} /* not wrapped to 32 bits */, {15, L"0"},
          {16, L"0"}, {17, L"0 bytes"}}},
    };
    testing::FixedLocaleText locale;
    for (const auto& c : cases) {
        testing::RecordingRows rows;
        FillStatisticsRows(c.info, rows, locale);
        EXPECT_EQ(rows.values, c.rows) << c.name;
    }
    EXPECT_EQ(StatisticsValueText(9, TrackingInfo{}, locale), std::nullopt) << "no tracked writes: no average";
}

TEST(StatisticsTest, RowLabelsAndInitialTextsInTheirFixedOrder)
{
    std::wstring labels, initial;
    for (int row = 0; row < kStatisticsRowCount; ++row) {
        labels += std::wstring(StatisticsRowAt(row).label) + L"|";
        initial += std::wstring(StatisticsRowAt(row).initialValue) + L"|";
    }
    EXPECT_EQ(labels, L"QXCBT Driver Version|Session Start Time|Number of Writes|Number of Paged Writes|"
                      L"Number of Queued Writes|Number of Tracked Writes|Number of Excluded Writes|Number of Failed Writes|"
                      L"Total Time Tracking|Average Time Per Tracked Write|Number of Changed Blocks|Number of Changed Bytes|"
                      L"$CBT Starting LCN|$CBT Ending LCN|Bytes Per Logical Cluster|Bytes Per Block|$LogFile Restart Count|"
                      L"Number of TRIM/UNMAP Bytes|");
    EXPECT_EQ(initial, L"Unknown|00/00/0000 - 00:00:00|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|");
    EXPECT_THROW(StatisticsRowAt(18), std::out_of_range);
}

TEST(StatisticsTest, LongLocaleTextsAreCutToTheRowBuffer)
{
    struct WordyLocale final : LocaleText {
        std::optional<std::wstring> LocalShortDate(std::uint64_t) override { return std::wstring(200, L'd'); }
        std::optional<std::wstring> LocalTime(std::uint64_t) override { return L"t"; }
        std::wstring ByteSize(std::int64_t) override { return std::wstring(300, L'b'); }
    } locale;
    EXPECT_EQ(StatisticsValueText(1, TrackingInfo{}, locale)->size(), 127u);
    EXPECT_EQ(StatisticsValueText(11, TrackingInfo{}, locale)->size(), 127u);
}

} // namespace
} // namespace trackkit
