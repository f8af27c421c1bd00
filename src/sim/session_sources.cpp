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

std::uint32_t SessionSource::ReadVolumeBytes(std::uint64_t, std::span<std::uint8_t>)
{
    return kErrorNotSupported;
}

TrackingInfo GivenSessionSource::Statistics()
{
    TrackingInfo info;
    info.clusterFactor1 = geometry_.clusterFactor1;
    info.clusterFactor2 = geometry_.clusterFactor2;
    info.bytesPerBlock = geometry_.bytesPerBlock;
    info.cbtFirstLcn = geometry_.cbtFirstLcn;
    info.cbtLastLcn = geometry_.cbtLastLcn;
    // What the bitmap says changed, so that every program shown this session
    // reports the same counts.
    for (std::uint32_t block = 0; block < geometry_.blockCount && block / 8 < bitmap_.size(); ++block)
        info.changedBlocks += (bitmap_[block / 8] >> (block % 8)) & 1u;
    info.changedBytes = info.changedBlocks * geometry_.bytesPerBlock;
    return info;
}

void ScriptedSource::SetLookupEntries(std::vector<ClusterOwner> entries)
{
    lookupError_ = 0;
    lookupEntries_ = std::move(entries);
}

void ScriptedSource::SetLookupError(std::uint32_t error)
{
    lookupError_ = error;
    lookupEntries_.clear();
}

StreamLookupAnswer ScriptedSource::LookupClusters(std::span<const std::uint64_t> clusters)
{
    lastLookup_.assign(clusters.begin(), clusters.end());
    return {lookupError_, lookupEntries_};
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
    Files().OwnersOf(clusters, owners_);
    return {0, owners_};
}

std::uint32_t LiveSource::ReadVolumeBytes(std::uint64_t offset, std::span<std::uint8_t> into)
{
    if (!image_)
        image_.emplace(Files(), workload_.Geometry().clusterFactor1 * workload_.Geometry().clusterFactor2);
    return image_->ReadAt(offset, into);
}

void LiveSource::CatchUp()
{
    workload_.AdvanceTo(clock_.Now() - start_);
}

} // namespace trackkit
