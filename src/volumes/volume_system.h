#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/error_codes.h"

namespace trackkit {

// Windows error codes that the enumeration tells apart, besides
// kErrorMoreData.
inline constexpr std::uint32_t kErrorNoMoreFiles = 18;

// GetDriveTypeW's answers.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdRom = 5;
inline constexpr std::uint32_t kDriveRamDisk = 6;

// One step of the volume search: a volume name ("\\?\Volume{GUID}\") or the
// Windows error that ended the step. error 0 means the name is valid.
struct VolumeNameReply {
    std::uint32_t error = 0;
    std::wstring name;
};

// A running search over the system's volumes (FindFirstVolumeW's handle).
// Destroying it ends the search (FindVolumeClose).
class VolumeSearch {
public:
    virtual ~VolumeSearch() = default;
    virtual VolumeNameReply Next() = 0;
};

struct VolumeSearchStart {
    std::unique_ptr<VolumeSearch> search;  // null when the search could not start
    VolumeNameReply first;                 // first.error explains a null search
};

// GetVolumePathNamesForVolumeNameW's answer. On success, length is the number
// of units written, terminators included; with kErrorMoreData it is the
// number the call needs.
struct MountPathsReply {
    std::uint32_t error = 0;
    std::uint32_t length = 0;
};

// GetDiskFreeSpaceW's four numbers.
struct DiskSpace {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
};

// GetVolumeInformationW's answer.
struct VolumeInformation {
    std::wstring label;
    std::uint32_t serialNumber = 0;
    std::uint32_t maxComponentLength = 0;
    std::uint32_t fileSystemFlags = 0;
    std::wstring fileSystemName;
};

// The system calls that listing the volumes needs, named for what they
// answer. Windows supplies them in win32/; tests build any machine they like.
class VolumeSystem {
public:
    virtual ~VolumeSystem() = default;

    // FindFirstVolumeW.
    virtual VolumeSearchStart StartVolumeSearch() = 0;
    // QueryDosDeviceW for "Volume{GUID}": the first NT device name it gives,
    // or nothing when the call fails.
    virtual std::wstring NtDeviceName(std::wstring_view dosDeviceName) = 0;
    // GetVolumePathNamesForVolumeNameW into the caller's buffer: a list of
    // NUL-terminated paths ended by an empty one.
    virtual MountPathsReply MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer) = 0;
    // GetDriveTypeW.
    virtual std::uint32_t DriveTypeOf(std::wstring_view rootPath) = 0;
    // Opens the device for reading attributes and asks whether media is in
    // the drive (IOCTL_STORAGE_CHECK_VERIFY2). False when either step fails.
    virtual bool MediaPresent(std::wstring_view devicePath) = 0;
    // SHGetFileInfoW with SHGFI_SYSICONINDEX.
    virtual std::optional<int> SystemIconIndex(std::wstring_view path) = 0;
    // GetDiskFreeSpaceW.
    virtual std::optional<DiskSpace> FreeSpace(std::wstring_view rootPath) = 0;
    // GetVolumeInformationW.
    virtual std::optional<VolumeInformation> Information(std::wstring_view rootPath) = 0;
};

} // namespace trackkit
