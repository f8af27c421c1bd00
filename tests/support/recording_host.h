#pragma once

// Fakes for everything the poller talks to, recording what they are asked.

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tracking/poller.h"

namespace trackkit::testing {

struct RecordingRows final : StatisticsRows {
    std::map<int, std::wstring> values;
    void SetValueText(int row, std::wstring_view text) override { values[row] = std::wstring(text); }
    std::wstring At(int row) const { return values.contains(row) ? values.at(row) : L"<untouched>"; }
};

// Dates and times in a fixed, locale-free form: "D<filetime>" and "T<filetime>"; sizes read "<bytes> bytes".
struct FixedLocaleText final : LocaleText {
    static std::optional<std::wstring> Stamp(const wchar_t* tag, std::uint64_t fileTime)
    {
        return fileTime >= 0x8000000000000000ull ? std::nullopt : std::optional(tag + std::to_wstring(fileTime));
    }
    std::optional<std::wstring> LocalShortDate(std::uint64_t fileTime) override { return Stamp(L"D", fileTime); }
    std::optional<std::wstring> LocalTime(std::uint64_t fileTime) override { return Stamp(L"T", fileTime); }
    std::wstring ByteSize(std::int64_t bytes) override { return std::to_wstring(bytes) + L" bytes"; }
};

struct RecordingTimer final : PollTimer {
    std::vector<std::wstring> calls;
    void Start(std::uint32_t period) override { calls.push_back(L"start " + std::to_wstring(period)); }
    void Stop() override { calls.push_back(L"stop"); }
};

struct RecordingDebugLog final : DebugLog {
    std::vector<std::wstring> lines;
    void Write(std::wstring_view line) override { lines.emplace_back(line); }
};

struct RecordingPane final : PaneRepaint {
    std::vector<bool> invalidations;  // the erase flag of each
    void Invalidate(bool erase) override { invalidations.push_back(erase); }
};

// A volume that answers like a healthy driver with the records of its script, unless a reply is scripted.
struct ScriptedVolume final : TrackedVolume {
    using Reply = std::function<DriverReply(std::span<std::uint8_t>)>;
    struct Script {
        TrackingGeometry geometry{};
        TrackingInfo info{};
        std::vector<std::uint8_t> bitmap{};
        Reply geometryReply{}, statisticsReply{}, bitmapReply{};
        std::function<DriverReply(std::span<const std::uint8_t>, std::span<std::uint8_t>)> lookupReply{};  // fails if unset
        int statisticsQueries = 0, closed = 0;
        std::vector<std::size_t> bitmapRequestLengths{}, lookupReplyLengths{};
        std::vector<std::vector<std::uint8_t>> lookupRequests{};
    };

    explicit ScriptedVolume(Script& script) : script_(script) {}
    ~ScriptedVolume() override { ++script_.closed; }

    DriverReply QueryGeometry(std::span<std::uint8_t> out) override
    {
        if (script_.geometryReply)
            return script_.geometryReply(out);
        EncodeTrackingGeometry(script_.geometry, out);
        return DriverReply::Success(kTrackingGeometryLength);
    }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override
    {
        ++script_.statisticsQueries;
        if (script_.statisticsReply)
            return script_.statisticsReply(out);
        EncodeTrackingInfo(script_.info, out);
        return DriverReply::Success(kTrackingInfoLength);
    }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) override
    {
        script_.bitmapRequestLengths.push_back(out.size());
        if (script_.bitmapReply)
            return script_.bitmapReply(out);
        const std::size_t n = std::min(out.size(), script_.bitmap.size());
        std::memcpy(out.data(), script_.bitmap.data(), n);
        return DriverReply::Success(static_cast<std::uint32_t>(n));
    }
    DriverReply RequestRemoval() override { return DriverReply::Success(0); }
    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        script_.lookupRequests.emplace_back(request.begin(), request.end());
        script_.lookupReplyLengths.push_back(reply.size());
        return script_.lookupReply ? script_.lookupReply(request, reply) : DriverReply::Failure(1);
    }

private:
    Script& script_;
};

struct ScriptedDriver final : TrackingDriver {
    std::map<std::wstring, ScriptedVolume::Script> volumes;
    int opens = 0;
    OpenVolumeResult OpenVolume(std::wstring_view path) override
    {
        ++opens;
        const auto it = volumes.find(std::wstring(path));
        return it == volumes.end() ? OpenVolumeResult{nullptr, 2}
                                   : OpenVolumeResult{std::make_unique<ScriptedVolume>(it->second), 0};
    }
};

// Everything bundled, with a PollerHost over it; Show does with a report
// what the pane's owner does.
struct RecordingHost {
    ScriptedDriver driver;
    RecordingRows rows;
    FixedLocaleText locale;
    int freeSpaceRefreshes = 0;
    RecordingTimer timer;
    RecordingDebugLog debug;
    RecordingPane pane;
    PollerHost host{driver, timer, pane};

    void Show(const PollReport& report)
    {
        ShowStatistics(report, rows, locale);
        freeSpaceRefreshes += report.freeSpaceDue ? 1 : 0;
        WriteDebugLines(report, debug);
    }
};

} // namespace trackkit::testing
