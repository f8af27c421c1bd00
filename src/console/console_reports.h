#pragma once

// The console program's answers: plain text for people, JSON for scripts.
// Texts are the window's own; JSON adds the raw numbers behind them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "changes/changed_files.h"
#include "common/locale_text.h"
#include "tracking/driver_contract.h"
#include "volumes/volume_list.h"

namespace trackkit {

// "2026-12-07T18:52:23.123Z" for a UTC FILETIME (100 ns since 1601); nothing
// for 0, which the driver sends before a session starts.
std::optional<std::string> Iso8601FromFileTime(std::uint64_t fileTime);

// "PT12.345678S" for a duration in microseconds.
std::string Iso8601Duration(std::uint64_t microseconds);

// One listed volume and whether the tracking driver answers for it.
struct VolumeStatus {
    const VolumeEntry* entry = nullptr;
    bool tracked = false;
};

std::wstring VolumesText(std::span<const VolumeStatus> volumes);
std::string VolumesJson(std::span<const VolumeStatus> volumes);

// The statistics list as the window fills it: row 0 the driver version,
// rows 1 to 17 from the record.
struct StatisticsAnswer {
    std::wstring volume;  // "C:"
    std::optional<std::wstring> driverVersion;
    TrackingInfo info;
    std::vector<std::wstring> values;  // kStatisticsRowCount texts, as the "Value" column shows them
};

StatisticsAnswer AnswerStatistics(std::wstring volume, std::optional<std::wstring> driverVersion, const TrackingInfo& info,
                                  LocaleText& locale);
std::wstring StatisticsText(const StatisticsAnswer& answer);
std::string StatisticsJson(const StatisticsAnswer& answer);

// The "Changed Files" window's summary, status line and rows (in its first
// order: largest first).
struct ChangedFilesAnswer {
    std::wstring volume;
    std::wstring summary;
    std::wstring status;
    const ChangedFilesReport* report = nullptr;
};

std::wstring ChangedFilesText(const ChangedFilesAnswer& answer, LocaleText& locale);
std::string ChangedFilesJson(const ChangedFilesAnswer& answer);

} // namespace trackkit
