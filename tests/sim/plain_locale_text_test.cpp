#include "sim/plain_locale_text.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

TEST(PlainLocaleTextTest, DatesAndTimesFromFileTimes)
{
    PlainLocaleText locale;
    // 2024-02-29 13:45:07 UTC: a leap day, to catch an off-by-one in the calendar.
    const std::uint64_t leapDay = 133'536'879'070'000'000ull;
    EXPECT_EQ(locale.LocalShortDate(leapDay), L"2024-02-29");
    EXPECT_EQ(locale.LocalTime(leapDay), L"13:45:07");
    EXPECT_EQ(locale.LocalShortDate(0), L"1601-01-01");
    EXPECT_EQ(locale.LocalTime(0), L"00:00:00");
    EXPECT_FALSE(locale.LocalShortDate(0x8000000000000000ull).has_value());
    EXPECT_FALSE(locale.LocalTime(0xFFFFFFFFFFFFFFFFull).has_value());
}

TEST(PlainLocaleTextTest, ByteSizesKeepThreeSignificantDigits)
{
    const struct {
        std::int64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 bytes"},          {1023, L"1023 bytes"},     {1024, L"1.00 KB"},
        {1536, L"1.50 KB"},       {999'999, L"976 KB"},       {1'610'612'736, L"1.50 GB"},
        {12'900'000, L"12.3 MB"}, {-5, L"-5 bytes"},
        {INT64_MAX, L"7.99 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatByteSizeText(c.bytes), c.text) << c.bytes;
}

} // namespace
} // namespace trackkit
