#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/locale_text.h"
#include "volumes/volume_list.h"
#include "volumes/volume_system.h"

namespace trackkit {

// Size of the first buffer for a volume's mount paths, in UTF-16 units.
inline constexpr std::size_t kFirstMountPathsChars = 261;
// No volume has mount paths anywhere near this long; a system that keeps
// asking for more is treated like a failed allocation.
inline constexpr std::size_t kMaxMountPathsChars = 1u << 20;
// The byte-size texts are cut to this buffer.
inline constexpr std::size_t kByteSizeChars = 64;

// What a drive type means for the list.
enum class DriveDecision {
    List,               // listed under this mount path
    ListIfMediaPresent, // removable: listed when media is in the drive, else the next mount path is tried
    SkipVolume,         // network and CD/DVD drives are never listed
};

struct DriveTypeRule {
    DriveDecision decision;
    std::wstring_view typeName;  // empty for skipped volumes
};

DriveTypeRule RuleForDriveType(std::uint32_t driveType);

// "\\?\Volume{GUID}\": the prefix, at least one character, and a trailing
// backslash.
bool IsVolumeName(std::wstring_view name);
// The name QueryDosDeviceW takes: without the "\\?\" prefix and the trailing
// backslash. Only for names that pass IsVolumeName.
std::wstring_view DosDeviceNameOf(std::wstring_view volumeName);

// "\\.\" and the device name without its "\Device\" prefix: where the media
// check opens a removable volume. Nothing when the name is too short to have
// that prefix (the system did not name the device).
std::optional<std::wstring> MediaCheckPath(std::wstring_view ntDeviceName);

// "\\.\" and the mount path's first two characters, "\\.\C:" for "C:\".
std::wstring DevicePathFor(std::wstring_view mountPath);
// The other way: what follows "\\.\", "C:" for "\\.\C:"; nothing for a path
// not in that namespace.
std::optional<std::wstring_view> DeviceNameOf(std::wstring_view devicePath);
// "Local Disk (C:\)".
std::wstring DisplayNameFor(std::wstring_view typeName, std::wstring_view mountPath);
// used * 100 / total, truncated; 100 when the total is 0.
std::uint32_t PercentUsed(std::uint32_t usedClusters, std::uint32_t totalClusters);
// "12.3 GB free of 100 GB (NTFS)" for the entry's clusters and file system.
std::wstring FreeSpaceTextFor(const DiskSpace& space, std::wstring_view fileSystemName, LocaleText& locale);

// The mount paths of a multi-string buffer, in order, read no further than
// the buffer's end.
std::vector<std::wstring> SplitMountPaths(std::span<const wchar_t> buffer);

enum class MountPathsStatus {
    Read,     // paths holds the volume's mount paths (possibly none)
    Failed,   // the system refused; the volume is skipped
    TooLarge, // the buffer could not be grown; counts as an allocation failure
};

struct MountPaths {
    MountPathsStatus status = MountPathsStatus::Failed;
    std::vector<std::wstring> paths;
};

// Asks for the mount paths with a 261-unit buffer, growing it while the
// system answers ERROR_MORE_DATA.
MountPaths ReadMountPaths(VolumeSystem& system, std::wstring_view volumeName);

enum class AddOutcome {
    Added,
    Skipped,  // not a volume the list shows; not an error
    Failed,   // the mount-path buffer could not be grown
};

// Describes one volume and appends it to the list, or decides to skip it.
AddOutcome AddVolumeEntry(VolumeList& list, VolumeSystem& system, LocaleText& locale, std::wstring_view volumeName,
                          std::wstring_view ntDeviceName);

// -1, 0 or +1: the device paths compared unit by unit as unsigned numbers,
// without case folding or locale, a prefix sorting first.
int CompareVolumeEntries(const VolumeEntry& a, const VolumeEntry& b);

// Rebuilds the list from the system's volumes, sorts it and restores the
// selection by position. On success the selected entry, if any, is handed to
// host.OpenTrackedVolume and the caller repaints the pane. On failure (the
// search could not start, or broke with an unexpected error) the list holds
// what was gathered, unsorted and with nothing marked selected, and the pane
// is left as it is.
bool RefreshVolumes(VolumeList& list, VolumeSystem& system, LocaleText& locale, bool keepSelection,
                    VolumeListHost& host);

// Re-reads an entry's cluster counts through its device path and rewrites its
// free-space text. When the system cannot answer, the entry keeps its last
// numbers and text. UsedClusters and PercentUsed stay as the last rebuild left
// them.
void RefreshFreeSpace(VolumeEntry& entry, VolumeSystem& system, LocaleText& locale);

} // namespace trackkit
