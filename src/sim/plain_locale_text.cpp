#include "sim/plain_locale_text.h"

#include <array>

#include "common/text.h"
#include "tracelog/bounded_text.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
// FILETIMEs at or past this do not convert on Windows either.
constexpr std::uint64_t kLargestFileTime = 0x7FFFFFFFFFFFFFFFull;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 to a proleptic Gregorian date.
CivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

} // namespace

std::optional<std::wstring> PlainLocaleText::LocalShortDate(std::uint64_t fileTimeUtc)
{
    if (fileTimeUtc > kLargestFileTime)
        return std::nullopt;
    const auto days = static_cast<std::int64_t>(fileTimeUtc / kTicksPerSecond / 86400) - kDaysFrom1601To1970;
    const CivilDate date = CivilFromDays(days);
    return FormatBounded(kStatisticsTextChars, L"%04lld-%02u-%02u", static_cast<long long>(date.year), date.month, date.day);
}

std::optional<std::wstring> PlainLocaleText::LocalTime(std::uint64_t fileTimeUtc)
{
    if (fileTimeUtc > kLargestFileTime)
        return std::nullopt;
    const std::uint64_t secondOfDay = fileTimeUtc / kTicksPerSecond % 86400;
    return FormatBounded(kStatisticsTextChars, L"%02u:%02u:%02u", static_cast<unsigned>(secondOfDay / 3600),
                         static_cast<unsigned>(secondOfDay / 60 % 60), static_cast<unsigned>(secondOfDay % 60));
}

std::wstring PlainLocaleText::ByteSize(std::int64_t bytes) { return FormatByteSizeText(bytes); }

std::wstring FormatByteSizeText(std::int64_t bytes)
{
    if (bytes < 1024)
        return FormatBounded(kStatisticsTextChars, L"%lld bytes", static_cast<long long>(bytes));
    static constexpr std::array<const wchar_t*, 6> kUnits = {L"KB", L"MB", L"GB", L"TB", L"PB", L"EB"};
    // Hundredths of the unit, truncated: 1610612736 bytes is 150 hundredths of a GB.
    std::size_t unit = 0;
    long double value = static_cast<long double>(bytes) / 1024;
    while (value >= 1000 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    const auto hundredths = static_cast<unsigned long long>(value * 100);
    if (hundredths < 1000)
        return FormatBounded(kStatisticsTextChars, L"%llu.%02llu %ls", hundredths / 100, hundredths % 100, kUnits[unit]);
    if (hundredths < 10000)
        return FormatBounded(kStatisticsTextChars, L"%llu.%llu %ls", hundredths / 100, hundredths / 10 % 10, kUnits[unit]);
    return FormatBounded(kStatisticsTextChars, L"%llu %ls", hundredths / 100, kUnits[unit]);
}

bool PlainTraceTimeText::Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                                wchar_t (&time)[TraceColumnTexts::kTimeChars])
{
    if (fileTime > kLargestFileTime)
        return false;
    const std::uint64_t seconds = fileTime / kTicksPerSecond;
    const CivilDate civil = CivilFromDays(static_cast<std::int64_t>(seconds / 86400) - kDaysFrom1601To1970);
    BoundedText(date)
        .Decimal(static_cast<std::int32_t>(civil.year))
        .Char(L'-')
        .TwoDigits(civil.month)
        .Char(L'-')
        .TwoDigits(civil.day);
    const auto secondOfDay = static_cast<unsigned>(seconds % 86400);
    BoundedText(time)
        .TwoDigits(secondOfDay / 3600)
        .Char(L':')
        .TwoDigits(secondOfDay / 60 % 60)
        .Char(L':')
        .TwoDigits(secondOfDay % 60);
    return true;
}

} // namespace trackkit
