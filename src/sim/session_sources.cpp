#include "sim/session_sources.h"

namespace trackkit {

void ScriptedSource::MarkChanged(std::uint64_t block)
{
    const auto byteIndex = static_cast<std::size_t>(block / 8);
    if (bitmap_.size() <= byteIndex)
        bitmap_.resize(byteIndex + 1, 0);
    bitmap_[byteIndex] = static_cast<std::uint8_t>(bitmap_[byteIndex] | (1u << (block % 8)));
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

void LiveSource::CatchUp()
{
    workload_.AdvanceTo(clock_.Now() - start_);
}

} // namespace trackkit
