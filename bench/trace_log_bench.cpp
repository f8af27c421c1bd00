// How fast a trace log load decodes a big log: every record into its entry
// and its nine column texts, against copying the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "sim/plain_locale_text.h"
#include "sim/trace_log_writer.h"
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

void BM_DecodeTraceLog(benchmark::State& state)
{
    const std::vector<std::uint8_t>& log = BigLog();
    // Civil date and time from the day number, about the work of
    // FileTimeToSystemTime and a short date and time format.
    PlainTraceTimeText timeText;
    std::vector<TraceEntry> store;
    store.reserve(kRecords);
    for (auto _ : state) {
        store.clear();
        const TraceRecordArea area = LocateTraceRecords(log);
        for (std::size_t i = 0; i < area.count; ++i) {
            const TraceRecord record = ReadTraceRecord(area, i);
            TraceColumnTexts texts;
            FormatDeviceName(record.deviceNumber, record.flags, texts.deviceName);
            FormatHex32(record.threadId, texts.threadId);
            FormatRemainingTexts(record, timeText, texts);
            benchmark::DoNotOptimize(texts);
            store.push_back(EntryOf(record));
        }
        benchmark::DoNotOptimize(store.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecords));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
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

BENCHMARK(BM_DecodeTraceLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyTraceLogBaseline)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace trackkit
