#include "tracelog/trace_export.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "trace_log_bytes.h"

namespace trackkit {
namespace {

using Columns = std::vector<TraceColumn>;
using Rows = std::vector<std::uint32_t>;

// "D,<filetime>" and "<filetime>" in quotes: texts with a comma and quotes.
struct QuotingTimeText final : TraceTimeText {
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override
    {
        std::swprintf(date, TraceColumnTexts::kDateChars, L"D,%llu", static_cast<unsigned long long>(fileTime));
        std::swprintf(time, TraceColumnTexts::kTimeChars, L"\"%llu\"", static_cast<unsigned long long>(fileTime));
        return true;
    }
};

struct TraceRowsExportTest : ::testing::Test {
    std::string Csv(const Rows& rows, const Columns& columns, const TraceProgress& progress = {}, bool sinkWorks = true)
    {
        std::string csv;
        result = WriteCsvRows(index, rows, columns, timeText, [&](std::string_view b) { csv += b; return sinkWorks; },
                              progress);
        return csv;
    }

    const std::vector<std::uint8_t> bytes = testing::TraceLogBytes(
        {testing::MakeRecord(30, 10, 0x1A4, 0, "CbtWrite"), testing::MakeRecord(10, 2, 0x20, 0, "CbtFlush")});
    const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(bytes), {});
    QuotingTimeText timeText;
    CsvWriteResult result{};
};

TEST_F(TraceRowsExportTest, RowsBecomeATitleLineAndOneLinePerRowInTheColumnsOrder)
{
    const struct { Rows rows; Columns columns; std::wstring tabs; std::string csv; } cases[] = {
        {{1, 0}, {TraceColumn::Date, TraceColumn::Time, TraceColumn::Function},
         L"Date\tTime\tFunction\r\nD,10\t\"10\"\tCbtFlush\r\nD,30\t\"30\"\tCbtWrite\r\n",
         "\xEF\xBB\xBF" "Date,Time,Function\r\n\"D,10\",\"\"\"10\"\"\",CbtFlush\r\n\"D,30\",\"\"\"30\"\"\",CbtWrite\r\n"},
        {{0}, {TraceColumn::ThreadId, TraceColumn::DeviceName, TraceColumn::LineNumber},
         L"ThreadId\tDeviceName\tLine Number\r\n0x000001A4\tHarddiskVolume10\t0\r\n",
         "\xEF\xBB\xBF" "ThreadId,DeviceName,Line Number\r\n0x000001A4,HarddiskVolume10,0\r\n"},
        {{}, {TraceColumn::Flags}, L"Flags\r\n", "\xEF\xBB\xBF" "Flags\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TabSeparatedRows(index, c.rows, c.columns, timeText), c.tabs);
        EXPECT_EQ(std::pair(Csv(c.rows, c.columns), result), std::pair(c.csv, CsvWriteResult::Written));
    }
}

// Progress is told before the first row and between many rows, and may stop the writing; so may the sink.
TEST_F(TraceRowsExportTest, WritingStopsWhenProgressCancelsOrTheSinkFails)
{
    const Rows many(100'000, 0);
    const struct { std::size_t stopAt; bool sinkWorks; CsvWriteResult result; std::vector<std::size_t> told; } cases[] = {
        {0, true, CsvWriteResult::Cancelled, {0}},
        {65'536, true, CsvWriteResult::Cancelled, {0, 65'536}},
        {many.size(), true, CsvWriteResult::Written, {0, 65'536}},
        {many.size(), false, CsvWriteResult::SinkFailed, {0}},
    };
    for (const auto& c : cases) {
        std::vector<std::size_t> told;
        const auto progress = [&](std::size_t done, std::size_t) { told.push_back(done); return done < c.stopAt; };
        const std::size_t size = Csv(many, {TraceColumn::Function}, progress, c.sinkWorks).size();
        EXPECT_EQ(std::pair(result, told), std::pair(c.result, c.told)) << c.stopAt;
        if (c.sinkWorks) {
            told.clear();
            const bool copied = TabSeparatedRows(index, many, Columns{TraceColumn::Function}, timeText, progress).has_value();
            EXPECT_EQ(std::pair(copied, told), std::pair(c.result == CsvWriteResult::Written, c.told)) << "copied";
        }
        if (c.result == CsvWriteResult::Written) {
            EXPECT_EQ(size, 3 + 10 + many.size() * 10) << "the mark, the title and every row";
        }
    }
}

} // namespace
} // namespace trackkit
