#pragma once

#include <string>

#include "common/win32/csv_file.h"
#include "tracelog/trace_export.h"

namespace trackkit {

// Writes the rows to `path` as a CSV file (WriteCsvRows), whole or not at all.
CsvFileOutcome ExportTraceRows(const std::wstring& path, const TraceLogIndex& index, TraceRecordIndices rows,
                               TraceColumnOrder columns, TraceTimeText& timeText, const TraceProgress& progress);

} // namespace trackkit
