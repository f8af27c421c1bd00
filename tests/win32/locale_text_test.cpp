// Windows' own date, time and size texts. The tests run with the user locale
// pinned to English (see CMakeLists.txt); the times are picked so that any
// time zone keeps their year and seconds.
#include "tracking/win32/locale_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace trackkit {
namespace {

std::uint64_t FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME fileTime{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &fileTime));
    return (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

bool Contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

TEST(WindowsLocaleText, DateAndTimeFollowTheGivenTime)
{
    WindowsLocaleText locale;
    const struct {
        std::uint64_t fileTime;
        const wchar_t* year;
        const wchar_t* seconds;
    } cases[] = {
        {FileTimeOf(2022, 6, 18, 4, 26, 40), L"2022", L"40"},
        {FileTimeOf(1999, 7, 15, 12, 0, 17), L"1999", L"17"},
        {FileTimeOf(2038, 1, 19, 12, 14, 59), L"2038", L"59"},  // past 32-bit seconds
    };
    for (const auto& c : cases) {
        const auto date = locale.LocalShortDate(c.fileTime);
        const auto time = locale.LocalTime(c.fileTime);
        ASSERT_TRUE(date.has_value());
        ASSERT_TRUE(time.has_value());
        EXPECT_TRUE(Contains(*date, c.year)) << "date text has no year: " << std::string(date->begin(), date->end());
        EXPECT_FALSE(Contains(*time, c.year));
        EXPECT_TRUE(Contains(*time, c.seconds)) << std::string(time->begin(), time->end());
        EXPECT_LT(date->size(), 128u);
        EXPECT_LT(time->size(), 128u);
    }
}

TEST(WindowsLocaleText, TimeBeyondTheSystemTimeRangeGivesNothing)
{
    WindowsLocaleText locale;
    for (const std::uint64_t fileTime : {0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull}) {
        EXPECT_FALSE(locale.LocalShortDate(fileTime).has_value()) << std::hex << fileTime;
        EXPECT_FALSE(locale.LocalTime(fileTime).has_value()) << std::hex << fileTime;
    }
}

TEST(WindowsLocaleText, ByteSizesAreRoundedToTheLargestUnit)
{
    WindowsLocaleText locale;
    const struct {
        std::int64_t bytes;
        const wchar_t* number;
        const wchar_t* unit;
    } cases[] = {
        {0, L"0", L"bytes"},
        {1023, L"1023", L"bytes"},
        {1610612736, L"1.50", L"GB"},
        {5497558138880, L"5.00", L"TB"},  // beyond 32 bits
    };
    for (const auto& c : cases) {
        const std::wstring text = locale.ByteSize(c.bytes);
        EXPECT_TRUE(Contains(text, c.number) && Contains(text, c.unit))
            << c.bytes << " gave \"" << std::string(text.begin(), text.end()) << "\"";
    }
}

} // namespace
} // namespace trackkit
