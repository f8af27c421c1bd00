#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "sim/clock.h"
#include "sim/driver_faults.h"
#include "sim/file_layout.h"
#include "sim/ntfs_image.h"
#include "sim/lookup_reply_encoder.h"
#include "sim/write_workload.h"
#include "tracking/driver_contract.h"

namespace trackkit {

// The file system's answer to a cluster lookup, before it is encoded: the
// streams found (possibly none), or the error the request fails with. The
// owners are the source's own, good until its next lookup: a lookup is asked
// for thousands of times in a run, and its memory is kept between them.
struct StreamLookupAnswer {
    std::uint32_t error = 0;
    std::span<const ClusterOwner> owners;
};

// What a simulated volume's tracking session answers, before any fault is
// applied. A source need not keep its bitmap at exactly (N + 7) / 8 bytes: the
// volume pads a short one with zeros and never sends more than that.
class SessionSource {
public:
    virtual ~SessionSource() = default;
    virtual TrackingGeometry Geometry() = 0;
    virtual TrackingInfo Statistics() = 0;
    virtual std::span<const std::uint8_t> Bitmap() = 0;
    // Called after a bitmap query has been answered successfully.
    virtual void BitmapServed() {}
    // The streams owning any of the clusters of a well-formed lookup. A source
    // without a file layout answers as a file system without the lookup does,
    // with ERROR_INVALID_FUNCTION.
    virtual StreamLookupAnswer LookupClusters(std::span<const std::uint64_t> clusters);
    // The volume's own bytes, read raw (TrackedVolume::ReadBytes). A source
    // without a file layout has none: ERROR_NOT_SUPPORTED.
    virtual std::uint32_t ReadVolumeBytes(std::uint64_t offset, std::span<std::uint8_t> into);
};

// Fixed answers, each of which a test can change at any time.
class ScriptedSource final : public SessionSource {
public:
    explicit ScriptedSource(const TrackingGeometry& geometry = {}) : geometry_(geometry) {}

    void SetGeometry(const TrackingGeometry& geometry) { geometry_ = geometry; }
    void SetStatistics(const TrackingInfo& info) { info_ = info; }
    void SetBitmap(std::vector<std::uint8_t> bitmap) { bitmap_ = std::move(bitmap); }
    // Sets one block's bit, growing the bitmap when it is too short.
    void MarkChanged(std::uint64_t block);
    // Every later lookup succeeds with these entries, whatever it asks about;
    // an empty list is a reply without entries.
    void SetLookupEntries(std::vector<ClusterOwner> entries);
    // Every later lookup fails with this error.
    void SetLookupError(std::uint32_t error);
    // The clusters of the last well-formed lookup, in its order.
    const std::vector<std::uint64_t>& LastLookupClusters() const { return lastLookup_; }

    TrackingGeometry Geometry() override { return geometry_; }
    TrackingInfo Statistics() override { return info_; }
    std::span<const std::uint8_t> Bitmap() override { return bitmap_; }
    StreamLookupAnswer LookupClusters(std::span<const std::uint64_t> clusters) override;

private:
    TrackingGeometry geometry_;
    TrackingInfo info_;
    std::vector<std::uint8_t> bitmap_;
    std::uint32_t lookupError_ = kErrorInvalidFunction;
    std::vector<ClusterOwner> lookupEntries_;
    std::vector<std::uint64_t> lastLookup_;
};

// One recorded poll: the statistics and the bitmap read together.
struct ReplayFrame {
    TrackingInfo statistics;
    std::vector<std::uint8_t> bitmap;
};

// Plays recorded polls back in order under a fixed geometry. The statistics
// query answers from the current frame; the bitmap query answers from it too
// and then moves on, so a poll (statistics, then bitmap) sees one whole frame.
// A failed bitmap query does not move on. The last frame repeats for ever;
// with no frames at all, everything reads zero.
class ReplaySource final : public SessionSource {
public:
    ReplaySource(const TrackingGeometry& geometry, std::vector<ReplayFrame> frames)
        : geometry_(geometry), frames_(std::move(frames))
    {
    }

    std::size_t FrameIndex() const { return index_; }

    TrackingGeometry Geometry() override { return geometry_; }
    TrackingInfo Statistics() override;
    std::span<const std::uint8_t> Bitmap() override;
    void BitmapServed() override;

private:
    TrackingGeometry geometry_;
    std::vector<ReplayFrame> frames_;
    std::size_t index_ = 0;
};

// A session given whole on a volume whose bytes are real: a bitmap the
// program was handed (a file of an end-to-end run's), the geometry it goes
// with, and the raw reads of the real volume that it was made for. What a
// real NTFS image looks like to the program when the changed blocks are
// chosen rather than simulated. The file system answers no cluster lookup.
class GivenSessionSource final : public SessionSource {
public:
    using RawReader = std::function<std::uint32_t(std::uint64_t offset, std::span<std::uint8_t> into)>;

    GivenSessionSource(const TrackingGeometry& geometry, std::vector<std::uint8_t> bitmap, RawReader reader)
        : geometry_(geometry), bitmap_(std::move(bitmap)), reader_(std::move(reader))
    {
    }

    TrackingGeometry Geometry() override { return geometry_; }
    TrackingInfo Statistics() override;
    std::span<const std::uint8_t> Bitmap() override { return bitmap_; }
    std::uint32_t ReadVolumeBytes(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        return reader_(offset, into);
    }

private:
    TrackingGeometry geometry_;
    std::vector<std::uint8_t> bitmap_;
    RawReader reader_;
};

// A busy server's volume: the write workload, brought up to the clock's time
// on every statistics or bitmap query. Time counts from the source's creation.
// The workload moves in 50 ms steps, so the two queries of one poll describe
// the same state unless a step ends between them. The clock must outlive the
// source.
//
// Lookups answer from the volume's file layout, which puts the workload's
// files where it writes. The layout never changes, so it is built on the
// first lookup rather than with the volume.
class LiveSource final : public SessionSource {
public:
    LiveSource(const WorkloadConfig& config, const Clock& clock);

    const WriteWorkload& Workload() const { return workload_; }
    const FileLayout& Files();

    TrackingGeometry Geometry() override { return workload_.Geometry(); }
    TrackingInfo Statistics() override;
    std::span<const std::uint8_t> Bitmap() override;
    StreamLookupAnswer LookupClusters(std::span<const std::uint64_t> clusters) override;
    // The layout as NTFS would lay it out, built on the first read.
    std::uint32_t ReadVolumeBytes(std::uint64_t offset, std::span<std::uint8_t> into) override;

private:
    void CatchUp();

    const Clock& clock_;
    Clock::TimePoint start_;
    WriteWorkload workload_;
    std::vector<ClusterOwner> owners_;  // of the last lookup
    std::optional<FileLayout> files_;
    std::optional<SimulatedNtfsImage> image_;
};

} // namespace trackkit
