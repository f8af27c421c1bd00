#include "tracelog/win32/windows_trace_time_text.h"

#include <windows.h>

#include <algorithm>

namespace trackkit {
namespace {

constexpr std::uint64_t kTicksPerMillisecond = 10'000;
constexpr std::uint64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;
constexpr std::uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;

std::wstring UserLocaleText(LCTYPE type, const wchar_t* fallback)
{
    wchar_t text[80] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, static_cast<int>(std::size(text))) == 0)
        return fallback;
    return text;
}

} // namespace

WindowsTraceTimeText::WindowsTraceTimeText(bool withMilliseconds)
    : withMilliseconds_(withMilliseconds), picture_(UserLocaleText(LOCALE_STIMEFORMAT, L"HH:mm:ss")),
      decimalSeparator_(UserLocaleText(LOCALE_SDECIMAL, L"."))
{
}

bool WindowsTraceTimeText::Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                                  wchar_t (&time)[TraceColumnTexts::kTimeChars])
{
    const std::uint64_t dateKey = fileTime / kTicksPerDay;
    const std::uint64_t timeKey = fileTime / (withMilliseconds_ ? kTicksPerMillisecond : kTicksPerSecond);
    if (dateKey != dateKey_ || timeKey != timeKey_) {
        FILETIME stored;
        stored.dwLowDateTime = static_cast<DWORD>(fileTime);
        stored.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
        SYSTEMTIME calendar;
        if (!FileTimeToSystemTime(&stored, &calendar))
            return false;
        const std::wstring picture =
            withMilliseconds_
                ? TimePictureWithMilliseconds(picture_, decimalSeparator_, static_cast<unsigned>(fileTime / kTicksPerMillisecond % 1000))
                : picture_;
        dateKey_ = timeKey_ = ~std::uint64_t{0};
        if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, date_, TraceColumnTexts::kDateChars) == 0 ||
            GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, picture.c_str(), time_, TraceColumnTexts::kTimeChars) == 0) {
            // A text that did not fit leaves the buffer undefined.
            date[0] = L'\0';
            time[0] = L'\0';
            return false;
        }
        dateKey_ = dateKey;
        timeKey_ = timeKey;
    }
    std::copy(std::begin(date_), std::end(date_), date);
    std::copy(std::begin(time_), std::end(time_), time);
    return true;
}

} // namespace trackkit
