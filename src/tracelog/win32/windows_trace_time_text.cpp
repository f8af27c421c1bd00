#include "tracelog/win32/windows_trace_time_text.h"

#include <windows.h>

namespace trackkit {

bool WindowsTraceTimeText::Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                                  wchar_t (&time)[TraceColumnTexts::kTimeChars])
{
    FILETIME stored;
    stored.dwLowDateTime = static_cast<DWORD>(fileTime);
    stored.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&stored, &calendar))
        return false;
    if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, date, TraceColumnTexts::kDateChars) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, time, TraceColumnTexts::kTimeChars) == 0) {
        // A text that did not fit leaves the buffer undefined.
        date[0] = L'\0';
        time[0] = L'\0';
        return false;
    }
    return true;
}

} // namespace trackkit
