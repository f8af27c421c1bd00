#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "sim/clock.h"
#include "sim/simulated_driver.h"

namespace trackkit {

// The demo's tracking driver: every volume that is opened gets a live
// simulated session the first time, sized from the real volume, so the demo
// looks like a busy server on whatever machine it runs.
class LiveVolumeDriver final : public TrackingDriver {
public:
    // The size in bytes of the volume behind a device path, or nothing when
    // there is no such volume.
    using VolumeSize = std::function<std::optional<std::uint64_t>(std::wstring_view devicePath)>;

    // Sessions start `history` before the first open, at sessionStartFileTime.
    LiveVolumeDriver(VolumeSize volumeSize, const Clock& clock, std::uint64_t sessionStartFileTime,
                     std::chrono::seconds history = std::chrono::seconds{0});

    OpenVolumeResult OpenVolume(std::wstring_view path) override;
    SimulatedDriver& Simulation() { return simulation_; }

private:
    VolumeSize volumeSize_;
    const Clock& clock_;
    std::uint64_t sessionStartFileTime_;
    std::chrono::seconds history_;
    SimulatedDriver simulation_;
};

} // namespace trackkit
