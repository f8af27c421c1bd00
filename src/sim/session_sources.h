#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/clock.h"
#include "sim/write_workload.h"
#include "tracking/driver_contract.h"

namespace trackkit {

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

    TrackingGeometry Geometry() override { return geometry_; }
    TrackingInfo Statistics() override { return info_; }
    std::span<const std::uint8_t> Bitmap() override { return bitmap_; }

private:
    TrackingGeometry geometry_;
    TrackingInfo info_;
    std::vector<std::uint8_t> bitmap_;
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

// A busy server's volume: the write workload, brought up to the clock's time
// on every statistics or bitmap query. Time counts from the source's creation.
// The workload moves in 50 ms steps, so the two queries of one poll describe
// the same state unless a step ends between them. The clock must outlive the
// source.
class LiveSource final : public SessionSource {
public:
    LiveSource(const WorkloadConfig& config, const Clock& clock);

    const WriteWorkload& Workload() const { return workload_; }

    TrackingGeometry Geometry() override { return workload_.Geometry(); }
    TrackingInfo Statistics() override;
    std::span<const std::uint8_t> Bitmap() override;

private:
    void CatchUp();

    const Clock& clock_;
    Clock::TimePoint start_;
    WriteWorkload workload_;
};

} // namespace trackkit
