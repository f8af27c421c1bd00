#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tracelog/trace_filter.h"
#include "tracelog/trace_log_format.h"
#include "tracelog/trace_texts.h"

namespace trackkit {

// The table's nine columns, in the order they are shown.
enum class TraceColumn : std::uint8_t { Date, Time, Function, LineNumber, Status, DeviceName, Drive, Flags, ThreadId };
inline constexpr std::size_t kTraceColumnCount = 9;

// Called now and then by long work with how far it got (done of total);
// returning false stops the work.
using TraceProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The rows of the table: record indices in the order shown. Rows are
// shared, never changed once made: the rows of every record in time order
// are the index's own, and a worker can go on reading rows that the table
// has just replaced.
using TraceRows = std::vector<std::uint32_t>;
using SharedTraceRows = std::shared_ptr<const TraceRows>;

// A loaded log: the records of one snapshot in time order (equal times keep
// their order in the file), and the texts the two filter lists offer. The
// record bytes are not copied: the area's bytes must outlive the index.
// Per record the index keeps 4 bytes, and at most 16 while it is built.
class TraceLogIndex {
public:
    TraceLogIndex() = default;

    // Nothing when progress asked to stop.
    static std::optional<TraceLogIndex> Build(const TraceRecordArea& area, const TraceProgress& progress);

    const TraceRecordArea& Area() const { return area_; }
    std::size_t Count() const { return area_.count; }
    TraceRecord Record(std::uint32_t recordIndex) const { return ReadTraceRecord(area_, recordIndex); }
    // Every record, in time order.
    const SharedTraceRows& TimeOrder() const { return timeOrder_; }

    // "*" is not among them; each text once. Devices in text order
    // (HarddiskVolume10 before HarddiskVolume2), threads in ascending order.
    const std::vector<std::wstring>& DeviceTexts() const { return devices_; }
    const std::vector<std::wstring>& ThreadTexts() const { return threads_; }

private:
    TraceRecordArea area_;
    SharedTraceRows timeOrder_ = std::make_shared<const TraceRows>();
    std::vector<std::wstring> devices_;
    std::vector<std::wstring> threads_;
};

// The records that pass both filters, in time order; with no filter, the
// index's own time order. Null when progress asked to stop.
SharedTraceRows SelectRows(const TraceLogIndex& index, const TraceFilters& filters, const TraceProgress& progress = {});

// The rows ordered by a column's values (Date and Time: by time; texts as
// text, DeviceName naturally; numbers as numbers), ascending or descending;
// rows with equal values keep their order, which is time order for rows from
// SelectRows. Null when progress asked to stop.
SharedTraceRows SortRows(const TraceLogIndex& index, const SharedTraceRows& rows, TraceColumn column, bool descending,
                         const TraceProgress& progress = {});

// All nine texts of a record.
void FormatColumnTexts(const TraceRecord& record, TraceTimeText& timeText, TraceColumnTexts& texts);
std::wstring_view ColumnText(const TraceColumnTexts& texts, TraceColumn column);
std::wstring_view ColumnTitle(TraceColumn column);

// The next row, after `from` going forward or before it going backward,
// wrapping around once, any of whose nine texts contains `text` (case
// sensitive or not); nothing when no row does or progress asked to stop.
// from may be rows.size() to start from the first row (or the last, going
// backward).
std::optional<std::size_t> FindRow(const TraceLogIndex& index, const TraceRows& rows, std::size_t from, bool forward,
                                   std::wstring_view text, bool matchCase, TraceTimeText& timeText,
                                   const TraceProgress& progress);

} // namespace trackkit
