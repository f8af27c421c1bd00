#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "tracking/session_bitmap.h"
#include "tracking/statistics.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

inline constexpr std::uint32_t kPollTimerId = 1010;
inline constexpr std::uint32_t kDefaultPollPeriod = 1000;
inline constexpr std::size_t kOpenPathChars = 260;

inline constexpr std::wstring_view kTrackingInfoFailedText = L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n";
inline constexpr std::wstring_view kSessionBitmapFailedText = L"IOCTL_QXCBT_QUERY_SESSION_BITMAP failed!\n";

// The poll timer (id 1010) on the block-map pane.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    virtual void Start(std::uint32_t periodMilliseconds) = 0;
    virtual void Stop() = 0;
};

// The debugger output: one line per call.
class DebugLog {
public:
    virtual ~DebugLog() = default;
    virtual void Write(std::wstring_view line) = 0;
};

// Asks the block-map pane to repaint, with or without erasing first.
class PaneRepaint {
public:
    virtual ~PaneRepaint() = default;
    virtual void Invalidate(bool erase) = 0;
};

// What the poller works with: the driver, and the pane's own timer and
// repaint. What it learns for other windows goes into a PollReport.
struct PollerHost {
    TrackingDriver& driver;
    PollTimer& timer;
    PaneRepaint& pane;
};

// What the statistics rows should show after an open or a poll.
enum class StatisticsUpdate {
    Keep,     // nothing new: the rows keep their texts
    Values,   // the counters in PollReport::info
    Unknown,  // no volume: rows 1 to 15 read "Unknown"
};

// What one open or poll learned, for the windows the pane does not own: the
// statistics rows, whether the volume list's free-space texts are due (once
// per poll), and the lines for the debugger output.
struct PollReport {
    StatisticsUpdate statistics = StatisticsUpdate::Keep;
    TrackingInfo info{};
    bool freeSpaceDue = false;
    std::vector<std::wstring_view> debugLines;
};

// Shows a report's statistics in the rows.
void ShowStatistics(const PollReport& report, StatisticsRows& rows, LocaleText& locale);

// Writes a report's lines to the debugger output.
void WriteDebugLines(const PollReport& report, DebugLog& debug);

// The volume's tracking geometry as the pane uses it.
struct VolumeGeometry {
    std::uint32_t blockCount = 0;      // N
    std::uint32_t bytesPerBlock = 0;   // 0: no geometry
    std::uint32_t bytesPerCluster = 0; // 0: unknown
    // The blocks that hold $CBT. Kept in 64 bits: a cluster number far past
    // the volume must not wrap back into it.
    std::uint64_t cbtFirstBlock = 0;
    std::uint64_t cbtLastBlock = 0;
};

// Derives the geometry from the driver's record; nothing when the record
// describes no usable volume (no bytes per block, no blocks, or a cluster size
// that does not fit in 32 bits).
std::optional<VolumeGeometry> GeometryFromRecord(const TrackingGeometry& record);

// The poller's part of the block map's record.
struct TrackingSession {
    explicit TrackingSession(BitmapMemory& memory = HeapBitmapMemory()) : bitmap(memory) {}

    std::unique_ptr<TrackedVolume> volume;  // null: no volume open
    std::wstring openPath;
    VolumeGeometry geometry;
    SessionBitmap bitmap;
    std::uint32_t pollPeriod = kDefaultPollPeriod;
};

// Opens path for tracking (or keeps the open volume when the path is the same),
// reads its geometry, sizes the bitmap, starts the timer and polls once. On
// any failure the session is left with no volume and the report asks for
// rows 1 to 15 "Unknown".
PollReport OpenTrackedVolume(TrackingSession* session, std::wstring_view path, PollerHost& host);

// One poll: statistics and session bitmap, then a repaint. The report
// carries the statistics and asks for the free-space texts.
PollReport PollTracking(TrackingSession* session, PollerHost& host);

// Starts the timer at the session's period, or stops it while paused.
void ApplyPollPeriod(const TrackingSession& session, PollTimer& timer);

} // namespace trackkit
