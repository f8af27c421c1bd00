#include "common/win32/locale_text.h"

#include <windows.h>
#include <shlwapi.h>

namespace trackkit {
namespace {

constexpr int kTextChars = kLocaleTextChars;

std::optional<SYSTEMTIME> LocalSystemTime(std::uint64_t fileTimeUtc)
{
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(fileTimeUtc);
    utc.dwHighDateTime = static_cast<DWORD>(fileTimeUtc >> 32);
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time))
        return std::nullopt;
    return time;
}

} // namespace

std::optional<std::wstring> WindowsLocaleText::LocalShortDate(std::uint64_t fileTimeUtc)
{
    const auto time = LocalSystemTime(fileTimeUtc);
    if (!time)
        return std::nullopt;
    wchar_t text[kTextChars] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &*time, nullptr, text, kTextChars) == 0)
        return std::nullopt;
    return std::wstring(text);
}

std::optional<std::wstring> WindowsLocaleText::LocalTime(std::uint64_t fileTimeUtc)
{
    const auto time = LocalSystemTime(fileTimeUtc);
    if (!time)
        return std::nullopt;
    wchar_t text[kTextChars] = {};
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &*time, nullptr, text, kTextChars) == 0)
        return std::nullopt;
    return std::wstring(text);
}

std::wstring WindowsLocaleText::ByteSize(std::int64_t bytes)
{
    wchar_t text[kTextChars] = {};
    if (StrFormatByteSizeW(bytes, text, kTextChars) == nullptr)
        return std::wstring();
    return std::wstring(text);
}

std::wstring WindowsLocaleText::Count(std::uint64_t count)
{
    wchar_t decimal[8] = L".", thousand[8] = L",", grouping[16] = L"3;0";
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16);
    // "3;0" is groups of three throughout (Grouping 3); "3;2;0" three, then
    // twos (32); a last group other than 0 is not repeated (a trailing 0).
    UINT groups = 0;
    bool repeats = false;
    for (const wchar_t* at = grouping; *at != L'\0'; ++at) {
        if (*at >= L'1' && *at <= L'9')
            groups = groups * 10 + static_cast<UINT>(*at - L'0');
        else if (*at == L'0')
            repeats = true;
    }
    NUMBERFMTW format{};
    format.LeadingZero = 1;  // without it, some systems write 0 as nothing
    format.Grouping = repeats ? groups : groups * 10;
    format.lpDecimalSep = decimal;
    format.lpThousandSep = thousand;
    format.NegativeOrder = 1;
    const std::wstring digits = std::to_wstring(count);
    wchar_t text[kTextChars] = {};
    if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), &format, text, kTextChars) == 0)
        return GroupedDigits(count);
    return text;
}

} // namespace trackkit
