#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/service_key.h"

namespace trackkit {

// The log path lives in a buffer of 260 UTF-16 units: 259 characters and
// the terminator.
inline constexpr std::size_t kTraceLogPathChars = 260;

// Where the tracking driver says its trace log is: a value of its service
// key (kServiceKeyPath, under HKEY_LOCAL_MACHINE).
inline constexpr std::wstring_view kDebugLogPathValue = L"DebugLogPath";
// The value is read into a buffer of this many bytes; a longer one fails.
inline constexpr std::size_t kDebugLogPathValueBytes = 2 * kTraceLogPathChars;
// A usable value has more bytes than this: four characters and more.
inline constexpr std::size_t kDebugLogPathMinimumBytes = 8;

// The log path in the data of a DebugLogPath value of any registry type:
// the UTF-16 text up to its first zero unit. Nothing when the value has 8
// bytes or fewer, more than 520, or fills all 260 units without a
// terminator (the path could not be held whole).
std::optional<std::wstring> LogPathFromRegistryValue(std::span<const std::uint8_t> data);

// A path chosen by the user, when the log path can hold it whole: nothing
// when it is longer than 259 characters.
std::optional<std::wstring> FitLogPath(std::wstring_view chosen);

// The counted object name's length field is 16 bits: the longest name has
// 65,534 bytes.
inline constexpr std::size_t kMaxObjectNameBytes = 65534;

// The object-manager name NtOpenFile is given for a log path: a path that
// begins with a backslash as it is, any other with "\??\" in front. Nothing
// for an empty path or a name longer than kMaxObjectNameBytes.
std::optional<std::wstring> TraceLogObjectName(std::wstring_view path);

} // namespace trackkit
