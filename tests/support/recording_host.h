#pragma once

// Fakes for everything the poller talks to. They record what they are asked,
// so tests can check the order and the texts of the calls.

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
    int writes = 0;
    void SetValueText(int row, std::wstring_view text) override
    {
        values[row] = std::wstring(text);
        ++writes;
    }
    std::wstring At(int row) const
    {
        const auto it = values.find(row);
        return it == values.end() ? L"<untouched>" : it->second;
    }
};

// Dates and times in a fixed, locale-free form: "D<filetime>" and "T<filetime>".
struct FixedLocaleText final : LocaleText {
    std::optional<std::wstring> LocalShortDate(std::uint64_t fileTime) override
    {
        if (fileTime >= 0x8000000000000000ull)
            return std::nullopt;
        return L"D" + std::to_wstring(fileTime);
    }
    std::optional<std::wstring> LocalTime(std::uint64_t fileTime) override
    {
        if (fileTime >= 0x8000000000000000ull)
            return std::nullopt;
        return L"T" + std::to_wstring(fileTime);
    }
    std::wstring ByteSize(std::int64_t bytes) override { return std::to_wstring(bytes) + L" bytes"; }
};

struct RecordingTimer final : PollTimer {
    std::optional<std::uint32_t> running;
    std::vector<std::wstring> calls;
    void Start(std::uint32_t period) override
    {
        running = period;
        calls.push_back(L"start " + std::to_wstring(period));
    }
    void Stop() override
    {
        running.reset();
        calls.push_back(L"stop");
    }
};

struct RecordingDebugLog final : DebugLog {
    std::vector<std::wstring> lines;
    void Write(std::wstring_view line) override { lines.emplace_back(line); }
};

struct CountingFreeSpace final : FreeSpaceRefresher {
    int refreshes = 0;
    void RefreshFreeSpace() override { ++refreshes; }
};

struct RecordingPane final : PaneRepaint {
    std::vector<bool> invalidations;  // the erase flag of each
    void Invalidate(bool erase) override { invalidations.push_back(erase); }
};

// A volume whose replies are scripted per query. By default it answers like a
// healthy driver with the records held in its fields.
struct ScriptedVolume final : TrackedVolume {
    struct Script {
        TrackingGeometry geometry;
        TrackingInfo info;
        std::vector<std::uint8_t> bitmap;
        std::function<DriverReply(std::span<std::uint8_t>)> geometryReply;    // overrides when set
        std::function<DriverReply(std::span<std::uint8_t>)> statisticsReply;
        std::function<DriverReply(std::span<std::uint8_t>)> bitmapReply;
        // The file system's answer to a cluster lookup; fails with
        // ERROR_INVALID_FUNCTION when not set.
        std::function<DriverReply(std::span<const std::uint8_t>, std::span<std::uint8_t>)> lookupReply;
        int geometryQueries = 0;
        int statisticsQueries = 0;
        std::vector<std::size_t> bitmapRequestLengths;
        std::vector<std::vector<std::uint8_t>> lookupRequests;
        std::vector<std::size_t> lookupReplyLengths;
        int closed = 0;
    };

    explicit ScriptedVolume(Script& script) : script_(script) {}
    ~ScriptedVolume() override { ++script_.closed; }

    DriverReply QueryGeometry(std::span<std::uint8_t> out) override
    {
        ++script_.geometryQueries;
        if (script_.geometryReply)
            return script_.geometryReply(out);
        EncodeTrackingGeometry(script_.geometry, out);
        return DriverReply::Success(static_cast<std::uint32_t>(kTrackingGeometryLength));
    }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override
    {
        ++script_.statisticsQueries;
        if (script_.statisticsReply)
            return script_.statisticsReply(out);
        EncodeTrackingInfo(script_.info, out);
        return DriverReply::Success(static_cast<std::uint32_t>(kTrackingInfoLength));
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
        if (script_.lookupReply)
            return script_.lookupReply(request, reply);
        return DriverReply::Failure(1);
    }

private:
    Script& script_;
};

struct ScriptedDriver final : TrackingDriver {
    std::map<std::wstring, ScriptedVolume::Script> volumes;
    std::vector<std::wstring> opens;
    OpenVolumeResult OpenVolume(std::wstring_view path) override
    {
        opens.emplace_back(path);
        const auto it = volumes.find(std::wstring(path));
        if (it == volumes.end())
            return {nullptr, 2};
        return {std::make_unique<ScriptedVolume>(it->second), 0};
    }
};

// Everything bundled, with a PollerHost over it.
struct RecordingHost {
    ScriptedDriver driver;
    RecordingRows rows;
    FixedLocaleText locale;
    CountingFreeSpace freeSpace;
    RecordingTimer timer;
    RecordingDebugLog debug;
    RecordingPane pane;
    PollerHost host{driver, rows, locale, freeSpace, timer, debug, pane};
};

} // namespace trackkit::testing
