#include "tracking/statistics.h"

#include <array>

#include "common/text.h"

namespace trackkit {
namespace {

constexpr std::array<StatisticsRowText, kStatisticsRowCount> kRows = {{
    {L"QXCBT Driver Version", L"Unknown"},
    {L"Session Start Time", L"00/00/0000 - 00:00:00"},
    {L"Number of Writes", L"0"},
    {L"Number of Paged Writes", L"0"},
    {L"Number of Queued Writes", L"0"},
    {L"Number of Tracked Writes", L"0"},
    {L"Number of Excluded Writes", L"0"},
    {L"Number of Failed Writes", L"0"},
    {L"Total Time Tracking", L"0"},
    {L"Average Time Per Tracked Write", L"0"},
    {L"Number of Changed Blocks", L"0"},
    {L"Number of Changed Bytes", L"0"},
    {L"$CBT Starting LCN", L"0"},
    {L"$CBT Ending LCN", L"0"},
    {L"Bytes Per Logical Cluster", L"0"},
    {L"Bytes Per Block", L"0"},
    {L"$LogFile Restart Count", L"0"},
    {L"Number of TRIM/UNMAP Bytes", L"0"},
}};

std::wstring Count(std::uint64_t value) { return FormatBounded(kStatisticsTextChars, L"%llu", static_cast<unsigned long long>(value)); }

std::wstring WithUnit(std::uint64_t value, const wchar_t* unit)
{
    return FormatBounded(kStatisticsTextChars, L"%llu%ls", static_cast<unsigned long long>(value), unit);
}

std::optional<std::wstring> SessionStartText(std::uint64_t fileTime, LocaleText& locale)
{
    const auto date = locale.LocalShortDate(fileTime);
    const auto time = locale.LocalTime(fileTime);
    if (!date || !time)
        return std::nullopt;
    return FormatBounded(kStatisticsTextChars, L"%ls - %ls", date->c_str(), time->c_str());
}

} // namespace

const StatisticsRowText& StatisticsRowAt(int row) { return kRows.at(static_cast<std::size_t>(row)); }

std::wstring FormatDuration(std::uint64_t nanoseconds)
{
    if (nanoseconds < 1000)
        return WithUnit(nanoseconds, L"ns");
    if (nanoseconds / 1000 < 1000)
        return WithUnit(nanoseconds / 1000, L"\u00b5s");
    if (nanoseconds / 1000000 < 1000)
        return WithUnit(nanoseconds / 1000000, L"ms");
    return WithUnit(nanoseconds / 1000000000, L"s");
}

std::wstring FormatTrackingTime(std::uint64_t microseconds)
{
    const std::uint64_t milliseconds = microseconds / 1000;
    if (microseconds < 1000)
        return WithUnit(microseconds, L"\u00b5s");
    if (milliseconds < 1000)
        return WithUnit(milliseconds, L"ms");
    return WithUnit(milliseconds / 1000, L"s");
}

std::uint64_t TrackedWrites(const TrackingInfo& info) { return info.writesConsidered - info.excludedWrites; }

std::optional<std::uint64_t> AverageNanosecondsPerWrite(const TrackingInfo& info)
{
    const std::uint64_t tracked = TrackedWrites(info);
    if (tracked == 0)
        return std::nullopt;
    const std::uint64_t milliseconds = info.trackingMicroseconds / 1000;
    return milliseconds * 1000000 / tracked;
}

std::optional<std::wstring> StatisticsValueText(int row, const TrackingInfo& info, LocaleText& locale)
{
    switch (row) {
    case 1: return SessionStartText(info.sessionStartFileTime, locale);
    case 2: return Count(info.writesSeen);
    case 3: return Count(info.pagedWrites);
    case 4: return Count(info.queuedWrites);
    case 5: return Count(TrackedWrites(info));
    case 6: return Count(info.excludedWrites);
    case 7: return Count(info.failedWrites);
    case 8: return FormatTrackingTime(info.trackingMicroseconds);
    case 9: {
        const auto average = AverageNanosecondsPerWrite(info);
        if (!average)
            return std::nullopt;
        return FormatDuration(*average);
    }
    case 10: return Count(info.changedBlocks);
    case 11: return CutToBuffer(locale.ByteSize(static_cast<std::int64_t>(info.changedBytes)), kStatisticsTextChars);
    case 12: return Count(info.cbtFirstLcn);
    case 13: return Count(info.cbtLastLcn);
    // The product is taken in 64 bits: a 32-bit product of corrupt factors
    // would show a plausible but wrong cluster size.
    case 14: return Count(static_cast<std::uint64_t>(info.clusterFactor1) * info.clusterFactor2);
    case 15: return Count(info.bytesPerBlock);
    case 16: return Count(info.logFileRestartCount);
    case 17: return CutToBuffer(locale.ByteSize(static_cast<std::int64_t>(info.trimBytes)), kStatisticsTextChars);
    default: return std::nullopt;
    }
}

void FillStatisticsRows(const TrackingInfo& info, StatisticsRows& rows, LocaleText& locale)
{
    // Each row stands on its own: a value that cannot be computed (no tracked
    // writes to average over, a start time that does not convert) reads
    // "Unknown" and the rows after it still show what the driver reported.
    for (int row = kFirstStatisticsRow; row <= kLastStatisticsRow; ++row) {
        const auto text = StatisticsValueText(row, info, locale);
        rows.SetValueText(row, text ? std::wstring_view(*text) : kUnknownText);
    }
}

void MarkStatisticsUnknown(StatisticsRows& rows)
{
    for (int row = kFirstStatisticsRow; row <= kLastUnknownOnFailureRow; ++row)
        rows.SetValueText(row, kUnknownText);
}

std::wstring FormatDriverVersion(const std::optional<FileVersion>& version)
{
    if (!version)
        return std::wstring(kUnknownText);
    return std::to_wstring(version->major) + L'.' + std::to_wstring(version->minor) + L'.' +
           std::to_wstring(version->build);
}

} // namespace trackkit
