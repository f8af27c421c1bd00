#include "console/console_reports.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>

#include "changes/changed_files_table.h"
#include "common/text.h"
#include "common/utf8.h"
#include "tracking/statistics.h"

namespace trackkit {
namespace {

using Json = nlohmann::ordered_json;

// FILETIME's 1601 lies this many 100 ns units before 1970.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr std::uint64_t kFileTimeUnitsPerMillisecond = 10000;

Json TextOrNull(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

std::string WayName(ChangedFilesWay way) { return way == ChangedFilesWay::FileTable ? "fileTable" : "clusterLookup"; }

std::string EndName(ChangedFilesEnd end)
{
    switch (end) {
    case ChangedFilesEnd::Complete: return "complete";
    case ChangedFilesEnd::Cancelled: return "cancelled";
    case ChangedFilesEnd::NoDriver: return "noDriver";
    case ChangedFilesEnd::NoBitmap: return "noBitmap";
    case ChangedFilesEnd::NoClusterSize: return "noClusterSize";
    case ChangedFilesEnd::Refused: return "refused";
    case ChangedFilesEnd::Stopped: return "stopped";
    }
    return "stopped";
}

std::string Dump(const Json& json) { return json.dump(2) + "\n"; }

} // namespace

std::optional<std::string> Iso8601FromFileTime(std::uint64_t fileTime)
{
    if (fileTime == 0)
        return std::nullopt;
    using namespace std::chrono;
    // Counted from 1601 in whole milliseconds, so that no time before 1970 overflows.
    const auto sinceUnix = milliseconds(static_cast<std::int64_t>(fileTime / kFileTimeUnitsPerMillisecond) -
                                        static_cast<std::int64_t>(kUnixEpochAsFileTime / kFileTimeUnitsPerMillisecond));
    const sys_days day = floor<days>(sys_time<milliseconds>(sinceUnix));
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> time(sinceUnix - day.time_since_epoch());
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                  static_cast<int>(time.subseconds().count()));
    return text;
}

std::string Iso8601Duration(std::uint64_t microseconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "PT%llu.%06lluS", static_cast<unsigned long long>(microseconds / 1000000),
                  static_cast<unsigned long long>(microseconds % 1000000));
    return text;
}

std::wstring VolumesText(std::span<const VolumeStatus> volumes)
{
    std::wstring text;
    for (const VolumeStatus& volume : volumes) {
        const VolumeEntry& entry = *volume.entry;
        text += entry.displayName + L"\r\n    " + entry.freeSpaceText + (volume.tracked ? L", tracked" : L", not tracked") +
                L"\r\n    " + entry.volumeName + L"\r\n";
        for (const std::wstring& path : entry.mountPaths)
            text += L"    " + path + L"\r\n";
    }
    return text;
}

std::string VolumesJson(std::span<const VolumeStatus> volumes)
{
    Json list = Json::array();
    for (const VolumeStatus& volume : volumes) {
        const VolumeEntry& entry = *volume.entry;
        Json paths = Json::array();
        for (const std::wstring& path : entry.mountPaths)
            paths.push_back(Utf8(path));
        list.push_back({{"name", Utf8(entry.volumeName)},
                        {"devicePath", Utf8(entry.devicePath)},
                        {"displayName", Utf8(entry.displayName)},
                        {"label", Utf8(entry.volumeLabel)},
                        {"mountPaths", paths},
                        {"fileSystem", Utf8(entry.fileSystemName)},
                        {"sizeBytes", entry.TotalBytes()},
                        {"freeBytes", entry.FreeBytes()},
                        {"tracked", volume.tracked}});
    }
    return Dump(list);
}

StatisticsAnswer AnswerStatistics(std::wstring volume, std::optional<std::wstring> driverVersion, const TrackingInfo& info,
                                  LocaleText& locale)
{
    StatisticsAnswer answer{std::move(volume), std::move(driverVersion), info, {}};
    answer.values.push_back(answer.driverVersion.value_or(std::wstring(kUnknownText)));
    for (int row = kFirstStatisticsRow; row <= kLastStatisticsRow; ++row)
        answer.values.push_back(StatisticsValueText(row, info, locale).value_or(std::wstring(kUnknownText)));
    return answer;
}

std::wstring StatisticsText(const StatisticsAnswer& answer)
{
    std::wstring text;
    for (int row = 0; row < kStatisticsRowCount; ++row) {
        std::wstring label(StatisticsRowAt(row).label);
        label.resize(std::max<std::size_t>(label.size() + 2, 34), L' ');
        text += label + answer.values.at(static_cast<std::size_t>(row)) + L"\r\n";
    }
    return text;
}

std::string StatisticsJson(const StatisticsAnswer& answer)
{
    const TrackingInfo& info = answer.info;
    const std::optional<std::uint64_t> average = AverageNanosecondsPerWrite(info);
    Json rows = Json::array();
    for (int row = 0; row < kStatisticsRowCount; ++row)
        rows.push_back({{"label", Utf8(StatisticsRowAt(row).label)}, {"value", Utf8(answer.values.at(static_cast<std::size_t>(row)))}});
    const Json json = {
        {"volume", Utf8(answer.volume)},
        {"driverVersion", answer.driverVersion ? Json(Utf8(*answer.driverVersion)) : Json(nullptr)},
        {"sessionStart", TextOrNull(Iso8601FromFileTime(info.sessionStartFileTime))},
        {"writes", info.writesSeen},
        {"pagedWrites", info.pagedWrites},
        {"queuedWrites", info.queuedWrites},
        {"trackedWrites", TrackedWrites(info)},
        {"excludedWrites", info.excludedWrites},
        {"failedWrites", info.failedWrites},
        {"trackingTime", Iso8601Duration(info.trackingMicroseconds)},
        {"trackingMicroseconds", info.trackingMicroseconds},
        {"averageNanosecondsPerTrackedWrite", average ? Json(*average) : Json(nullptr)},
        {"changedBlocks", info.changedBlocks},
        {"changedBytes", info.changedBytes},
        {"cbtStartingLcn", info.cbtFirstLcn},
        {"cbtEndingLcn", info.cbtLastLcn},
        {"bytesPerCluster", std::uint64_t{info.clusterFactor1} * info.clusterFactor2},
        {"bytesPerBlock", info.bytesPerBlock},
        {"logFileRestartCount", info.logFileRestartCount},
        {"trimBytes", info.trimBytes},
        {"rows", rows},
    };
    return Dump(json);
}

std::wstring ChangedFilesText(const ChangedFilesAnswer& answer, LocaleText& locale)
{
    std::vector<const ChangedFile*> rows;
    for (const ChangedFile& file : answer.report->files)
        rows.push_back(&file);
    return answer.summary + L"\r\n\r\n" + ChangedFilesTabText(rows, answer.report->answeredBytes, locale) + L"\r\n" +
           answer.status + L"\r\n";
}

std::string ChangedFilesJson(const ChangedFilesAnswer& answer)
{
    const ChangedFilesReport& report = *answer.report;
    Json files = Json::array();
    for (const ChangedFile& file : report.files) {
        const double share = report.answeredBytes == 0 ? 0.0 : 100.0 * static_cast<double>(file.changedBytes) /
                                                                   static_cast<double>(report.answeredBytes);
        files.push_back({{"path", Utf8(file.path)},
                         {"changedBytes", file.changedBytes},
                         {"changedBlocks", file.ChangedBlocks()},
                         {"sharePercent", share}});
    }
    const Json json = {
        {"volume", Utf8(answer.volume)},
        {"way", WayName(report.way)},
        {"end", EndName(report.end)},
        {"summary", Utf8(answer.summary)},
        {"status", Utf8(answer.status)},
        {"changedBlocks", report.changedBlocks},
        {"blocksDone", report.blocksDone},
        {"answeredBytes", report.answeredBytes},
        {"fileBytes", report.fileBytes},
        {"elapsedMilliseconds", report.elapsedMilliseconds},
        {"files", files},
    };
    return Dump(json);
}

} // namespace trackkit
