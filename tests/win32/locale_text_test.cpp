// Windows' own date, time and size texts. The tests run with the user locale
// pinned (see CMakeLists.txt); the time is picked so that any time zone keeps
// its year and seconds.
#include "tracking/win32/locale_text.h"

#include <gtest/gtest.h>

#include <string>

namespace trackkit {
namespace {

bool Contains(const std::optional<std::wstring>& text, const wchar_t* part)
{
    return text.has_value() && text->find(part) != std::wstring::npos;
}

TEST(WindowsLocaleText, DatesTimesAndSizesPast32BitsAndNothingForTimesOutOfRange)
{
    WindowsLocaleText locale;
    const std::uint64_t fileTime = 137919896990000000ull;  // 2038-01-19 12:14:59 UTC
    EXPECT_TRUE(Contains(locale.LocalShortDate(fileTime), L"2038"));
    EXPECT_TRUE(Contains(locale.LocalTime(fileTime), L"59"));
    EXPECT_FALSE(Contains(locale.LocalTime(fileTime), L"2038"));
    EXPECT_TRUE(Contains(locale.ByteSize(5497558138880), L"5.00 TB"));

    for (const std::uint64_t outOfRange : {0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull}) {
        EXPECT_FALSE(locale.LocalShortDate(outOfRange).has_value());
        EXPECT_FALSE(locale.LocalTime(outOfRange).has_value());
    }
}

} // namespace
} // namespace trackkit
