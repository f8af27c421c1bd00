#include "tracelog/win32/windows_trace_time_text.h"

#include <windows.h>

namespace trackkit {
namespace {

std::wstring UserLocaleText(LCTYPE type, const wchar_t* fallback)
{
    wchar_t text[80] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, static_cast<int>(std::size(text))) == 0)
        return fallback;
    return text;
}

} // namespace

WindowsTraceTimeText::WindowsTraceTimeText()
    : picture_(UserLocaleText(LOCALE_STIMEFORMAT, L"HH:mm:ss")), decimalSeparator_(UserLocaleText(LOCALE_SDECIMAL, L"."))
{
}

bool WindowsTraceTimeText::Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                                  wchar_t (&time)[TraceColumnTexts::kTimeChars])
{
    FILETIME stored;
    stored.dwLowDateTime = static_cast<DWORD>(fileTime);
    stored.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&stored, &calendar))
        return false;
    const unsigned milliseconds = static_cast<unsigned>(fileTime / 10000 % 1000);
    const std::wstring picture = TimePictureWithMilliseconds(picture_, decimalSeparator_, milliseconds);
    if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, date, TraceColumnTexts::kDateChars) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, picture.c_str(), time, TraceColumnTexts::kTimeChars) == 0) {
        // A text that did not fit leaves the buffer undefined.
        date[0] = L'\0';
        time[0] = L'\0';
        return false;
    }
    return true;
}

} // namespace trackkit
