#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/clock.h"
#include "sim/driver_faults.h"
#include "sim/session_sources.h"
#include "sim/write_workload.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

class SimulatedVolume;

// One volume's tracking session in the simulated driver: where its answers
// come from, the faults planned for it and the requests it received. Every
// handle opened on the volume shares it. Single-threaded, like its callers.
//
// Answers follow a real driver's habits:
// - geometry and statistics fail with ERROR_INSUFFICIENT_BUFFER (122) when the
//   output cannot hold the whole record (56 or 136 bytes), and otherwise write
//   the record and report its length;
// - the bitmap query copies min(output size, (N + 7) / 8) bytes and reports
//   that count; bytes of the output past it are not touched;
// - the removal request has no output and reports 0 bytes;
// - the cluster lookup fails with ERROR_INVALID_PARAMETER (87) for a malformed
//   request (see ClustersOfLookupRequest), with the source's error if it has
//   one, and otherwise writes the reply as WriteLookupReply does. Clusters
//   that no stream owns, past the volume's end included, are not an error:
//   the reply then has no entry, as the published reply allows.
// Faults apply to every request alike; a short or long fault on a lookup
// misstates the length of a reply that fit.
class VolumeSession {
public:
    explicit VolumeSession(std::unique_ptr<SessionSource> source) : source_(std::move(source)) {}

    SessionSource& Source() { return *source_; }
    FaultPlan& Faults() { return faults_; }
    const RequestCounts& Requests() const { return requests_; }
    int OpenHandles() const { return openHandles_; }

    // Admits an open of the volume: 0, or the error of a planned open fault.
    std::uint32_t Open();
    // The driver's reply to one of the four requests, after any planned fault.
    DriverReply Answer(DriverRequest request, std::span<std::uint8_t> out);
    // The file system's reply to a cluster lookup, after any planned fault.
    DriverReply AnswerLookup(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply);
    // The volume's bytes, read raw.
    std::uint32_t ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into);

private:
    friend class SimulatedVolume;

    DriverReply AnswerGeometry(std::span<std::uint8_t> out, const std::optional<Fault>& fault);
    DriverReply AnswerStatistics(std::span<std::uint8_t> out, const std::optional<Fault>& fault);
    DriverReply AnswerBitmap(std::span<std::uint8_t> out, const std::optional<Fault>& fault);

    std::unique_ptr<SessionSource> source_;
    FaultPlan faults_;
    RequestCounts requests_;
    int openHandles_ = 0;
    // A volume may be asked from more than one thread: the poller on the
    // window's thread, a long cluster lookup on a worker.
    std::mutex mutex_;
    std::vector<std::uint64_t> lookupClusters_;  // of the lookup being answered, kept between lookups
};

// The stand-in for the tracking driver: sessions kept in memory per volume,
// found by the path the volume is opened with. Paths compare without regard
// to letter case ("\\.\c:" is "\\.\C:"). Opening a path without a session
// fails with ERROR_FILE_NOT_FOUND unless told otherwise.
//
// Adding a volume under a path that already has one replaces it for later
// opens; handles opened before keep the session they were opened on.
class SimulatedDriver final : public TrackingDriver {
public:
    VolumeSession& AddVolume(std::wstring_view path, std::unique_ptr<SessionSource> source);
    ScriptedSource& AddScriptedVolume(std::wstring_view path, const TrackingGeometry& geometry = {});
    ReplaySource& AddReplayVolume(std::wstring_view path, const TrackingGeometry& geometry,
                                  std::vector<ReplayFrame> frames);
    // The clock must outlive the driver and every volume opened from it.
    LiveSource& AddLiveVolume(std::wstring_view path, const WorkloadConfig& config, const Clock& clock);

    // Makes `alias` (say, the volume's "\\?\Volume{...}" name) open the session
    // of `path`. False when `path` has no session.
    bool AddAlias(std::wstring_view alias, std::wstring_view path);

    // The session opened by `path`, or null.
    VolumeSession* Find(std::wstring_view path);

    OpenVolumeResult OpenVolume(std::wstring_view path) override;

private:
    std::map<std::wstring, std::shared_ptr<VolumeSession>> sessions_;
};

} // namespace trackkit
