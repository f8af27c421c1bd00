// Feeds arbitrary bytes to the trace log reader as a whole file: the walk,
// every field, every column text, the status and flag names, the filter rule
// and the filter lists' choices. Any read outside the bytes, overflow or
// unterminated text ends the run.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <span>
#include <vector>

#include "sim/plain_locale_text.h"
#include "tracelog/flag_names.h"
#include "tracelog/status_names.h"
#include "tracelog/trace_index.h"
#include "tracelog/trace_log_format.h"
#include "tracelog/trace_texts.h"

namespace trackkit {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

template <std::size_t Chars>
void RequireTerminated(const wchar_t (&text)[Chars])
{
    Require(std::wmemchr(text, L'\0', Chars) != nullptr);
}

void RequireAreaInside(const TraceRecordArea& area, std::span<const std::uint8_t> file)
{
    Require(area.error == 0 || area.error == kErrorFileInvalid);
    Require(area.records.size() == area.count * kTraceRecordBytes);
    if (area.error != 0 || area.count == 0) {
        Require(area.count == 0);
        return;
    }
    Require(area.records.data() == file.data() + kTraceLogHeaderBytes);
    Require(kTraceLogHeaderBytes + area.records.size() <= file.size());
}

} // namespace
} // namespace trackkit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace trackkit;
    const std::span<const std::uint8_t> file(data, size);
    const TraceRecordArea area = LocateTraceRecords(file);
    RequireAreaInside(area, file);

    PlainTraceTimeText timeText;
    for (std::size_t i = 0; i <= area.count; ++i) {  // one past the end on purpose
        const TraceRecord record = ReadTraceRecord(area, i);
        const TraceEntry entry = EntryOf(record);
        Require(entry.timestamp == record.timestamp && entry.flags == record.flags);

        TraceColumnTexts texts;
        FormatDeviceName(record.deviceNumber, record.flags, texts.deviceName);
        FormatHex32(record.threadId, texts.threadId);
        FormatRemainingTexts(record, timeText, texts);
        RequireTerminated(texts.date);
        RequireTerminated(texts.time);
        RequireTerminated(texts.function);
        RequireTerminated(texts.lineNumber);
        RequireTerminated(texts.status);
        RequireTerminated(texts.deviceName);
        RequireTerminated(texts.drive);
        RequireTerminated(texts.flags);
        RequireTerminated(texts.threadId);
        Require(std::wcslen(texts.threadId) == 10 && std::wcslen(texts.flags) == 10);
        Require(NtStatusName(record.status) != nullptr);
        ForEachFlagName(record.flags, [&](const CbtFlagName& flag) { Require((flag.value & record.flags) != 0); });

    }
    // The index walks the same records: without filters every one is listed
    // once, in (time, place in the file) order.
    if (const std::optional<TraceLogIndex> index = TraceLogIndex::Build(area, {})) {
        const TraceRows& rows = *SelectRows(*index, {});
        Require(rows.size() == area.count);
        std::vector<bool> seen(area.count);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            Require(rows[i] < area.count && !seen[rows[i]]);
            seen[rows[i]] = true;
            if (i > 0) {
                const std::uint64_t before = ReadTraceEntry(area, rows[i - 1]).timestamp;
                const std::uint64_t now = ReadTraceEntry(area, rows[i]).timestamp;
                Require(before < now || (before == now && rows[i - 1] < rows[i]));
            }
        }
    }
    return 0;
}
