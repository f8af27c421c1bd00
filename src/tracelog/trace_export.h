#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/csv.h"
#include "tracelog/trace_index.h"

namespace trackkit {

// Rows handed over to the clipboard and to files: record indices of a loaded
// log, and the columns to write, in the order the user sees them (the table's
// columns can be dragged into another order).
using TraceRecordIndices = std::span<const std::uint32_t>;
using TraceColumnOrder = std::span<const TraceColumn>;

// The rows as tab-separated text: a line of the column titles, then one line
// per row, each ended by CRLF. No rows gives the title line alone. Progress
// is told as for WriteCsvRows; nothing when it asked to stop.
std::optional<std::wstring> TabSeparatedRows(const TraceLogIndex& index, TraceRecordIndices rows,
                                             TraceColumnOrder columns, TraceTimeText& timeText,
                                             const TraceProgress& progress = {});

// Streams a CSV file of the rows to the sink: the UTF-8 byte order mark (so
// that spreadsheet programs read the file as UTF-8), the title line, then one
// line per row. The sink gets the text in pieces of some tens of kilobytes;
// progress is told in rows written of all rows, first before anything is
// written, and may cancel.
CsvWriteResult WriteCsvRows(const TraceLogIndex& index, TraceRecordIndices rows, TraceColumnOrder columns,
                            TraceTimeText& timeText, const ByteSink& sink, const TraceProgress& progress);

} // namespace trackkit
