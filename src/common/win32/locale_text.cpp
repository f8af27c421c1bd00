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

} // namespace trackkit
