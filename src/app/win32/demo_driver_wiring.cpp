// TrackKitDemo.exe talks to the simulated driver: each volume the program
// opens gets a live write workload, sized from the real volume. One volume
// may instead be given a session whole, through the environment:
//
//   TRACKKIT_DEMO_GIVEN_SESSION=X:,BYTES_PER_BLOCK,BYTES_PER_CLUSTER,BITMAP_FILE
//
// its bitmap read from the file, its raw bytes read from the real volume (an
// NTFS image that Wine shows as X:): how the end-to-end runs look up the
// changed files of a real NTFS volume.
#include <windows.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/program_driver.h"
#include "common/win32/unique_handles.h"
#include "sim/live_volume_driver.h"
#include "volumes/volume_enumeration.h"

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

// Raw reads of a real volume, through a handle of their own.
GivenSessionSource::RawReader RawReaderOf(const std::wstring& devicePath)
{
    auto volume = std::make_shared<UniqueHandle>(CreateFileW(devicePath.c_str(), GENERIC_READ,
                                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return [volume](std::uint64_t offset, std::span<std::uint8_t> into) -> std::uint32_t {
        if (!volume->Valid())
            return ERROR_FILE_NOT_FOUND;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        if (!ReadFile(volume->Get(), into.data(), static_cast<DWORD>(into.size()), &read, &at))
            return GetLastError();
        return read == into.size() ? 0 : ERROR_HANDLE_EOF;
    };
}

// The session TRACKKIT_DEMO_GIVEN_SESSION names, added to the driver.
void AddGivenSession(SimulatedDriver& simulation)
{
    wchar_t value[1024] = {};
    if (GetEnvironmentVariableW(L"TRACKKIT_DEMO_GIVEN_SESSION", value, 1024) == 0)
        return;
    std::wstring fields[4];
    std::size_t field = 0;
    for (const wchar_t* at = value; *at != L'\0'; ++at) {
        if (*at == L',' && field < 3)
            ++field;
        else
            fields[field] += *at;
    }
    const std::ifstream file(fields[3].c_str(), std::ios::binary);
    std::vector<std::uint8_t> bitmap((std::istreambuf_iterator<char>(file.rdbuf())), std::istreambuf_iterator<char>());
    TrackingGeometry geometry;
    geometry.bytesPerBlock = static_cast<std::uint32_t>(_wtoi(fields[1].c_str()));
    geometry.clusterFactor1 = static_cast<std::uint32_t>(_wtoi(fields[2].c_str()));
    geometry.clusterFactor2 = 1;
    geometry.blockCount = static_cast<std::uint32_t>(bitmap.size() * 8);
    const std::wstring devicePath = L"\\\\.\\" + fields[0];
    simulation.AddVolume(devicePath, std::make_unique<GivenSessionSource>(geometry, std::move(bitmap), RawReaderOf(devicePath)));
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
    static const bool given = (AddGivenSession(driver.Simulation()), true);
    static_cast<void>(given);
    return driver;
}

} // namespace trackkit
