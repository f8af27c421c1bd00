#include "tracelog/win32/trace_log_export.h"

namespace trackkit {

CsvFileOutcome ExportTraceRows(const std::wstring& path, const TraceLogIndex& index, TraceRecordIndices rows,
                               TraceColumnOrder columns, TraceTimeText& timeText, const TraceProgress& progress)
{
    return WriteCsvFile(path, [&](const ByteSink& sink) {
        return WriteCsvRows(index, rows, columns, timeText, sink, progress);
    });
}

} // namespace trackkit
