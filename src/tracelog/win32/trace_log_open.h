#pragma once

#include <string_view>

#include "common/win32/unique_handles.h"

namespace trackkit {

// Opens the trace log for reading with NtOpenFile, sharing read and write
// (the driver may be writing it) but not deletion; synchronous, so the
// handle serves GetFileSizeEx and ReadFile like any Win32 file handle. A
// path that begins with a backslash is taken as an NT object path, any other
// gets "\??\" in front. On failure the handle is invalid and the thread's
// last error is 87 for an empty or too long path, else the NTSTATUS with
// bit 28 set.
UniqueHandle OpenTraceLog(std::wstring_view path);

} // namespace trackkit
