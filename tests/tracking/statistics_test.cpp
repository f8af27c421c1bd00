#include "tracking/statistics.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using testing::FixedLocaleText;
using testing::RecordingRows;

// Each picks the largest unit that keeps the number below a thousand and
// truncates.
TEST(StatisticsTest, DurationsAndTrackingTimes)
{
    const struct {
        std::uint64_t value;
        const wchar_t* nanoseconds;
        const wchar_t* microseconds;
    } cases[] = {
        {0, L"0ns", L"0\u00b5s"},
        {999, L"999ns", L"999\u00b5s"},
        {1000, L"1\u00b5s", L"1ms"},
        {999'999, L"999\u00b5s", L"999ms"},
        {1'000'000, L"1ms", L"1s"},
        {2'500'000, L"2ms", L"2s"},
        {999'999'999, L"999ms", L"999s"},
        {1'000'000'000, L"1s", L"1000s"},
        {std::numeric_limits<std::uint64_t>::max(), L"18446744073s", L"18446744073709s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatDuration(c.value), c.nanoseconds);
        EXPECT_EQ(FormatTrackingTime(c.value), c.microseconds);
    }
}

TrackingInfo FullRecord()
{
    TrackingInfo info;
    info.clusterFactor1 = 512;
    info.clusterFactor2 = 8;
    info.bytesPerBlock = 65536;
    info.cbtFirstLcn = 786432;
    info.cbtLastLcn = 786559;
    info.writesSeen = 123456789012ull;
    info.pagedWrites = 3;
    info.writesConsidered = 2500;
    info.failedWrites = 7;
    info.excludedWrites = 500;
    info.changedBlocks = 1234;
    info.changedBytes = 80871424;
    info.sessionStartFileTime = 133000000000000000ull;
    info.trackingMicroseconds = 5'000'000;
    info.logFileRestartCount = 2;
    info.trimBytes = 4096;
    info.queuedWrites = 11;
    return info;
}

TEST(FillStatisticsRowsTest, WritesEveryRowFromTheRecord)
{
    RecordingRows rows;
    FixedLocaleText locale;

    FillStatisticsRows(FullRecord(), rows, locale);

    const std::map<int, std::wstring> expected = {
        {1, L"D133000000000000000 - T133000000000000000"},
        {2, L"123456789012"},
        {3, L"3"},
        {4, L"11"},
        {5, L"2000"},
        {6, L"500"},
        {7, L"7"},
        {8, L"5s"},
        {9, L"2ms"},  // 5000 ms * 1,000,000 / 2000 writes = 2,500,000 ns
        {10, L"1234"},
        {11, L"80871424 bytes"},
        {12, L"786432"},
        {13, L"786559"},
        {14, L"4096"},
        {15, L"65536"},
        {16, L"2"},
        {17, L"4096 bytes"},
    };
    EXPECT_EQ(rows.values, expected);
    EXPECT_EQ(rows.writes, 17);
}

TEST(FillStatisticsRowsTest, OddCountersGiveSoundTexts)
{
    RecordingRows rows;
    FixedLocaleText locale;
    TrackingInfo info = FullRecord();
    info.writesConsidered = 1;
    info.excludedWrites = 2;  // more excluded than considered: wraps as unsigned
    info.trackingMicroseconds = 999;
    info.clusterFactor1 = 0x10000;
    info.clusterFactor2 = 0x10000;
    info.sessionStartFileTime = 0x8000000000000000ull;  // cannot be converted

    FillStatisticsRows(info, rows, locale);

    EXPECT_EQ(rows.At(1), L"Unknown");
    EXPECT_EQ(rows.At(2), L"123456789012") << "a bad start time does not hide the rows after it";
    EXPECT_EQ(rows.At(5), L"18446744073709551615");
    EXPECT_EQ(rows.At(8), L"999\u00b5s");
    EXPECT_EQ(rows.At(9), L"0ns") << "under a millisecond of tracking averages to 0";
    EXPECT_EQ(rows.At(14), L"4294967296") << "the cluster size is not wrapped to 32 bits";

    info.writesConsidered = info.excludedWrites = 0;
    EXPECT_EQ(StatisticsValueText(9, info, locale), std::nullopt) << "no tracked writes: no average";
}

TEST(StatisticsRowAtTest, LabelsAndInitialTextsInTheirFixedOrder)
{
    const struct {
        const wchar_t* label;
        const wchar_t* initial;
    } rows[] = {
        {L"QXCBT Driver Version", L"Unknown"},
        {L"Session Start Time", L"00/00/0000 - 00:00:00"},
        {L"Number of Writes", L"0"},
        {L"Number of Paged Writes", L"0"},
        {L"Number of Queued Writes", L"0"},
        {L"Number of Tracked Writes", L"0"},
        {L"Number of Excluded Writes", L"0"},
        {L"Number of Failed Writes", L"0"},
        {L"Total Time Tracking", L"0"},
        {L"Average Time Per Tracked Write", L"0"},
        {L"Number of Changed Blocks", L"0"},
        {L"Number of Changed Bytes", L"0"},
        {L"$CBT Starting LCN", L"0"},
        {L"$CBT Ending LCN", L"0"},
        {L"Bytes Per Logical Cluster", L"0"},
        {L"Bytes Per Block", L"0"},
        {L"$LogFile Restart Count", L"0"},
        {L"Number of TRIM/UNMAP Bytes", L"0"},
    };
    for (int row = 0; row < 18; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(StatisticsRowAt(row).label, rows[row].label);
        EXPECT_EQ(StatisticsRowAt(row).initialValue, rows[row].initial);
    }
    EXPECT_THROW(StatisticsRowAt(18), std::out_of_range);
}

TEST(StatisticsValueTextTest, LongLocaleTextsAreCutToTheRowBuffer)
{
    struct WordyLocale final : LocaleText {
        std::optional<std::wstring> LocalShortDate(std::uint64_t) override { return std::wstring(200, L'd'); }
        std::optional<std::wstring> LocalTime(std::uint64_t) override { return L"t"; }
        std::wstring ByteSize(std::int64_t) override { return std::wstring(300, L'b'); }
    } locale;
    EXPECT_EQ(StatisticsValueText(1, FullRecord(), locale)->size(), 127u);
    EXPECT_EQ(StatisticsValueText(11, FullRecord(), locale)->size(), 127u);
}

} // namespace
} // namespace trackkit
