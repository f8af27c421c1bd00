#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tracelog/trace_export.h"

namespace trackkit {

// The full path of the CSV file to write, as the user names it in the
// shell's save dialog owned by `owner` (".csv" added to a name without an
// extension, replacing a file confirmed there); nothing when the user
// cancels or the dialog cannot be shown. COM is initialised (single-threaded
// apartment) for the time of the call only.
std::optional<std::wstring> ChooseExportPath(HWND owner);

// Written, Cancelled, or SinkFailed when the file could not be written,
// with why in a line that ends in the system's words.
struct TraceExportOutcome {
    CsvWriteResult result = CsvWriteResult::Written;
    std::wstring failure;
};

// Writes the rows to `path` as a CSV file (WriteCsvRows). The file appears
// whole or not at all: the text goes to a new file of a unique name in the
// same folder, which then takes the place of the target. When writing fails
// or is cancelled, that file is deleted and a file already at `path` stays
// as it was.
TraceExportOutcome ExportTraceRows(const std::wstring& path, const TraceLogIndex& index, TraceRecordIndices rows,
                                   TraceColumnOrder columns, TraceTimeText& timeText, const TraceProgress& progress);

} // namespace trackkit
