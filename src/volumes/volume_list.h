#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/rect.h"

namespace trackkit {

// Every text of an entry fits the 260-unit buffers the volume calls fill.
inline constexpr std::size_t kVolumeTextChars = 260;

// One listed volume. Its texts are already cut to what a 260-unit buffer
// holds, so their lengths are the DisplayLength and FreeSpaceLength that the
// painter draws.
struct VolumeEntry {
    bool selected = false;  // exactly the entry at the list's selectedIndex
    bool hot = false;       // the entry under the mouse pointer
    std::uint32_t maxComponentLength = 0;
    std::uint32_t fileSystemFlags = 0;
    std::uint32_t serialNumber = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t totalClusters = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t usedClusters = 0;  // total - free, modulo 2^32
    std::uint32_t driveType = 0;
    std::wstring devicePath;  // "\\.\C:": the volume's identity towards the poller, and the sort key
    std::wstring volumeName;  // "\\?\Volume{GUID}\"
    std::vector<std::wstring> mountPaths;  // every path the system mounts it at, as it gave them
    std::wstring volumeLabel;
    std::wstring ntDeviceName;  // "\Device\HarddiskVolume3"; empty when the system did not say
    std::wstring fileSystemName;
    std::wstring typeName;       // "Local Disk", "Removable Disk", "RAM Disk", "Unknown"
    std::wstring displayName;    // first line: "Local Disk (C:\)"
    std::wstring freeSpaceText;  // second line: "12.3 GB free of 100 GB (NTFS)"
    std::uint32_t percentUsed = 0;  // the usage bar; 100 when the size is unknown
    int iconIndex = 0;              // in the system image list
    Rect itemRect;              // where the last paint put the item; empty before it

    std::uint64_t TotalBytes() const { return std::uint64_t{totalClusters} * sectorsPerCluster * bytesPerSector; }
    std::uint64_t FreeBytes() const { return std::uint64_t{freeClusters} * sectorsPerCluster * bytesPerSector; }
};

// The list and the two indices that the pane keeps beside it. Entries are
// owned values: a refresh replaces them all, so nothing may hold on to one.
struct VolumeList {
    std::vector<VolumeEntry> entries;
    int selectedIndex = -1;  // -1: none
    int hotIndex = -1;       // -1: none

    // The entry at an index, or null when the index names none (-1, or past
    // the end after a refresh shrank the list).
    VolumeEntry* At(int index)
    {
        return index >= 0 && static_cast<std::size_t>(index) < entries.size() ? &entries[static_cast<std::size_t>(index)]
                                                                              : nullptr;
    }
    const VolumeEntry* At(int index) const { return const_cast<VolumeList*>(this)->At(index); }
    int Count() const { return static_cast<int>(entries.size()); }
};

// Who hears of the selection: the session poller starts tracking the volume
// whose device path it is given.
class VolumeListHost {
public:
    virtual ~VolumeListHost() = default;
    virtual void OpenTrackedVolume(std::wstring_view devicePath) = 0;
};

} // namespace trackkit
