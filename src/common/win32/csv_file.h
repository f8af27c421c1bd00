#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "common/csv.h"

namespace trackkit {

// The full path of the CSV file to write, as the user names it in the
// shell's save dialog owned by `owner` (".csv" added to a name without an
// extension, replacing a file confirmed there); nothing when the user
// cancels or the dialog cannot be shown. COM is initialised (single-threaded
// apartment) for the time of the call only.
std::optional<std::wstring> ChooseCsvPath(HWND owner);

// Written, Cancelled, or SinkFailed when the file could not be written,
// with why in a line that ends in the system's words.
struct CsvFileOutcome {
    CsvWriteResult result = CsvWriteResult::Written;
    std::wstring failure;
};

// Streams the file's bytes to the sink it is given.
using CsvWriter = std::function<CsvWriteResult(const ByteSink& sink)>;

// Writes a file at `path` that appears whole or not at all: the bytes go to
// a new file of a unique name in the same folder, which then takes the place
// of the target. When writing fails or is cancelled, that file is deleted and
// a file already at `path` stays as it was.
CsvFileOutcome WriteCsvFile(const std::wstring& path, const CsvWriter& write);

} // namespace trackkit
