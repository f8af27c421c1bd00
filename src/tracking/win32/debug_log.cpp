#include "tracking/win32/debug_log.h"

#include <windows.h>

#include <string>

namespace trackkit {

void WindowsDebugLog::Write(std::wstring_view line)
{
    const std::wstring text(line);
    OutputDebugStringW(text.c_str());
}

} // namespace trackkit
