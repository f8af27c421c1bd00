#include "sim/live_volume_driver.h"

#include <cwctype>

namespace trackkit {
namespace {

constexpr std::uint32_t kDemoBytesPerBlock = 64 * 1024;

// Each volume gets a workload of its own, the same on every run.
std::uint64_t SeedFor(std::wstring_view path)
{
    std::uint64_t seed = 1469598103934665603ull;
    for (wchar_t c : path)
        seed = (seed ^ static_cast<std::uint64_t>(std::towupper(static_cast<wint_t>(c)))) * 1099511628211ull;
    return seed;
}

} // namespace

LiveVolumeDriver::LiveVolumeDriver(VolumeSize volumeSize, const Clock& clock, std::uint64_t sessionStartFileTime,
                                   std::chrono::seconds history)
    : volumeSize_(std::move(volumeSize)), clock_(clock), sessionStartFileTime_(sessionStartFileTime), history_(history)
{
}

OpenVolumeResult LiveVolumeDriver::OpenVolume(std::wstring_view path)
{
    if (simulation_.Find(path) == nullptr) {
        const auto bytes = volumeSize_ ? volumeSize_(path) : std::nullopt;
        if (bytes && *bytes > 0)
            simulation_.AddLiveVolume(
                path, WorkloadConfig{*bytes, kDemoBytesPerBlock, SeedFor(path), sessionStartFileTime_, history_}, clock_);
    }
    return simulation_.OpenVolume(path);
}

} // namespace trackkit
