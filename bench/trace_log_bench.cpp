// How fast a big trace log opens: every record's entry read and put in time
// order, against copying the same bytes; and how long one screen of rows
// takes to format.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "sim/plain_locale_text.h"
#include "sim/trace_log_writer.h"
#include "tracelog/trace_export.h"
#include "tracelog/trace_index.h"
#include "tracelog/trace_log_format.h"
#include "tracelog/trace_texts.h"

namespace trackkit {
namespace {

constexpr std::size_t kRecords = 1'000'000;

const std::vector<std::uint8_t>& BigLog()
{
    static const std::vector<std::uint8_t> log = WriteSampleTraceLog({kRecords, 1, SampleLogEnd::Exact});
    return log;
}

// What opening a log does before the first rows show: find the records,
// read the entry of each (no texts) and put them in time order.
void BM_IndexTraceLog(benchmark::State& state)
{
    const std::vector<std::uint8_t>& log = BigLog();
    for (auto _ : state) {
        const auto index = TraceLogIndex::Build(LocateTraceRecords(log), {});
        benchmark::DoNotOptimize(index->Count());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecords));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
}

// The nine texts of one screen of rows, as the table asks for them.
void BM_FormatScreenOfRows(benchmark::State& state)
{
    constexpr std::uint32_t kScreenRows = 50;
    const TraceRecordArea area = LocateTraceRecords(BigLog());
    PlainTraceTimeText timeText;
    std::uint32_t first = 0;
    for (auto _ : state) {
        for (std::uint32_t row = first; row < first + kScreenRows; ++row) {
            TraceColumnTexts texts;
            FormatColumnTexts(ReadTraceRecord(area, row), timeText, texts);
            benchmark::DoNotOptimize(texts);
        }
        first = (first + kScreenRows) % (kRecords - kScreenRows);
    }
    state.SetItemsProcessed(state.iterations() * kScreenRows);
}

// The whole log as a CSV file, every row in time order, into a sink that
// only counts the bytes: what an export costs apart from the disk.
void BM_WriteCsvRows(benchmark::State& state)
{
    const auto index = TraceLogIndex::Build(LocateTraceRecords(BigLog()), {});
    const TraceRows& rows = *SelectRows(*index, {});
    const std::vector<TraceColumn> columns{TraceColumn::Date, TraceColumn::Time, TraceColumn::Function,
                                           TraceColumn::LineNumber, TraceColumn::Status, TraceColumn::DeviceName,
                                           TraceColumn::Drive, TraceColumn::Flags, TraceColumn::ThreadId};
    PlainTraceTimeText timeText;
    std::size_t bytes = 0;
    for (auto _ : state)
        WriteCsvRows(*index, rows, columns, timeText, [&](std::string_view piece) { bytes += piece.size(); return true; },
                     {});
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecords));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_CopyTraceLogBaseline(benchmark::State& state)
{
    const std::vector<std::uint8_t>& log = BigLog();
    std::vector<std::uint8_t> copy(log.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), log.data(), log.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecords));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
}

BENCHMARK(BM_IndexTraceLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatScreenOfRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteCsvRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyTraceLogBaseline)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace trackkit
