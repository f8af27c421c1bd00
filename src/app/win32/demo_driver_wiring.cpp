// TrackKitDemo.exe talks to the simulated driver: each volume the program
// opens gets a live write workload, sized from the real volume.
#include <windows.h>

#include <chrono>
#include <string>

#include "sim/live_volume_driver.h"
#include "volumes/volume_enumeration.h"
#include "app/win32/program_driver.h"

namespace trackkit {
namespace {

// "\\.\C:" names the volume whose root is "C:\".
std::optional<std::uint64_t> RealVolumeSize(std::wstring_view devicePath)
{
    const std::optional<std::wstring_view> drive = DeviceNameOf(devicePath);
    if (!drive || drive->size() < 2)
        return std::nullopt;
    std::wstring root(drive->substr(0, 2));
    root += L'\\';
    ULARGE_INTEGER total{};
    if (!GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr))
        return std::nullopt;
    return total.QuadPart;
}

} // namespace

// The demo opens on a server that has been busy for a few hours.
constexpr std::chrono::hours kSessionHistory{4};

TrackingDriver& ProgramTrackingDriver()
{
    static SteadyClock clock;
    static LiveVolumeDriver driver(RealVolumeSize, clock,
                                   FileTimeFromSystemTime(std::chrono::system_clock::now() - kSessionHistory),
                                   kSessionHistory);
    return driver;
}

} // namespace trackkit
