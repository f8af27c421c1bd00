#pragma once

#include <optional>
#include <string>

namespace trackkit {

// The log path of this run: empty at start, at most 259 characters; set from
// the registry when the trace log dialog opens and by the user's choice of a
// file, kept across openings of the dialog.
std::wstring& TraceLogPath();

// The tracking driver's DebugLogPath (HKEY_LOCAL_MACHINE, its service key),
// when the value is there and usable as a log path.
std::optional<std::wstring> ReadDebugLogPath();

} // namespace trackkit
