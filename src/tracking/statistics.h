#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_version.h"
#include "common/locale_text.h"
#include "tracking/driver_contract.h"

namespace trackkit {

// The statistics list's rows, addressed by index. Row 0 is the driver version;
// the poller writes rows 1 to 17.
inline constexpr int kDriverVersionRow = 0;
inline constexpr int kFirstStatisticsRow = 1;
inline constexpr int kLastUnknownOnFailureRow = 15;
inline constexpr int kLastStatisticsRow = 17;
inline constexpr int kStatisticsRowCount = 18;
inline constexpr int kAverageTimeRow = 9;
inline constexpr std::size_t kStatisticsTextChars = 128;

inline constexpr std::wstring_view kUnknownText = L"Unknown";

// Writes the "Value" column of one row of the statistics list.
class StatisticsRows {
public:
    virtual ~StatisticsRows() = default;
    virtual void SetValueText(int row, std::wstring_view text) = 0;
};

// Label and initial value of each of the 18 rows, in order.
struct StatisticsRowText {
    std::wstring_view label;
    std::wstring_view initialValue;
};
const StatisticsRowText& StatisticsRowAt(int row);

// "999ns", "12µs", "3ms", "42s": the largest unit below 1000, truncating.
std::wstring FormatDuration(std::uint64_t nanoseconds);
// Row 8's text: t in microseconds, shown in µs, ms or s.
std::wstring FormatTrackingTime(std::uint64_t microseconds);
// Row 9's value: whole milliseconds of tracking spread over the tracked
// writes, in nanoseconds; nothing when no write was tracked.
std::optional<std::uint64_t> AverageNanosecondsPerWrite(const TrackingInfo& info);
std::uint64_t TrackedWrites(const TrackingInfo& info);

// The text of one row (1 to 17) for a statistics record; nothing when the
// value cannot be computed.
std::optional<std::wstring> StatisticsValueText(int row, const TrackingInfo& info, LocaleText& locale);

// Writes rows 1 to 17, in order. A row whose value cannot be computed reads
// "Unknown"; the others show what the driver reported.
void FillStatisticsRows(const TrackingInfo& info, StatisticsRows& rows, LocaleText& locale);

// Rows 1 to 15 read "Unknown" when no volume is being tracked.
void MarkStatisticsUnknown(StatisticsRows& rows);

// The tracking driver's file, below the system directory.
inline constexpr std::wstring_view kDriverFileInSystemDirectory = L"drivers\\qxcbt.sys";

// Row 0 of the statistics list: "major.minor.build" (the revision is not
// shown), or "Unknown" when the version could not be read.
std::wstring FormatDriverVersion(const std::optional<FileVersion>& version);

} // namespace trackkit
