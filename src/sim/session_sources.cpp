#include "sim/session_sources.h"

namespace trackkit {

void ScriptedSource::MarkChanged(std::uint64_t block)
{
    const auto byteIndex = static_cast<std::size_t>(block / 8);
    if (bitmap_.size() <= byteIndex)
        bitmap_.resize(byteIndex + 1, 0);
    bitmap_[byteIndex] = static_cast<std::uint8_t>(bitmap_[byteIndex] | (1u << (block % 8)));
}

StreamLookupAnswer SessionSource::LookupClusters(std::span<const std::uint64_t>)
{
    return {kErrorInvalidFunction, {}};
}

void ScriptedSource::SetLookupEntries(std::vector<ClusterOwner> entries)
{
    lookup_ = {0, std::move(entries)};
}

void ScriptedSource::SetLookupError(std::uint32_t error)
{
    lookup_ = {error, {}};
}

StreamLookupAnswer ScriptedSource::LookupClusters(std::span<const std::uint64_t> clusters)
{
    lastLookup_.assign(clusters.begin(), clusters.end());
    return lookup_;
}

TrackingInfo ReplaySource::Statistics()
{
    return frames_.empty() ? TrackingInfo{} : frames_[index_].statistics;
}

std::span<const std::uint8_t> ReplaySource::Bitmap()
{
    if (frames_.empty())
        return {};
    return frames_[index_].bitmap;
}

void ReplaySource::BitmapServed()
{
    if (index_ + 1 < frames_.size())
        ++index_;
}

LiveSource::LiveSource(const WorkloadConfig& config, const Clock& clock)
    : clock_(clock), start_(clock.Now() - config.history), workload_(config)
{
}

TrackingInfo LiveSource::Statistics()
{
    CatchUp();
    return workload_.Statistics();
}

std::span<const std::uint8_t> LiveSource::Bitmap()
{
    CatchUp();
    return workload_.Bitmap();
}

const FileLayout& LiveSource::Files()
{
    if (!files_)
        files_.emplace(FileLayoutPlanFor(workload_));
    return *files_;
}

StreamLookupAnswer LiveSource::LookupClusters(std::span<const std::uint64_t> clusters)
{
    return {0, Files().OwnersOf(clusters)};
}

void LiveSource::CatchUp()
{
    workload_.AdvanceTo(clock_.Now() - start_);
}

} // namespace trackkit
