#pragma once

#include <optional>
#include <string>

namespace trackkit {

// The tracking driver's DebugLogPath (HKEY_LOCAL_MACHINE, its service key),
// when the value is there and usable as a log path.
std::optional<std::wstring> ReadDebugLogPath();

} // namespace trackkit
