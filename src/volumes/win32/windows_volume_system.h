#pragma once

#include "volumes/volume_system.h"

namespace trackkit {

// The volume calls of Windows: FindFirstVolumeW and its kin, QueryDosDeviceW,
// GetVolumePathNamesForVolumeNameW, GetDriveTypeW, the removable-media check,
// SHGetFileInfoW, GetDiskFreeSpaceW and GetVolumeInformationW. It keeps no
// state between calls.
class WindowsVolumeSystem final : public VolumeSystem {
public:
    VolumeSearchStart StartVolumeSearch() override;
    std::wstring NtDeviceName(std::wstring_view dosDeviceName) override;
    MountPathsReply MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer) override;
    std::uint32_t DriveTypeOf(std::wstring_view rootPath) override;
    bool MediaPresent(std::wstring_view devicePath) override;
    std::optional<int> SystemIconIndex(std::wstring_view path) override;
    std::optional<DiskSpace> FreeSpace(std::wstring_view rootPath) override;
    std::optional<VolumeInformation> Information(std::wstring_view rootPath) override;
};

} // namespace trackkit
