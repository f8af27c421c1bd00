#include "volumes/volume_enumeration.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <utility>

#include "common/text.h"

namespace trackkit {
namespace {

constexpr std::wstring_view kVolumeNamePrefix = L"\\\\?\\";
constexpr std::wstring_view kNtDevicePrefix = L"\\Device\\";
constexpr std::wstring_view kDeviceNamespace = L"\\\\.\\";

// The formatter of sizes takes a signed count; a product of two 32-bit
// counts can pass its largest value, and is then shown as that value rather
// than as a negative size.
std::int64_t AsByteCount(std::uint64_t bytes)
{
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(bytes, kLargest));
}

std::wstring ByteSizeText(std::uint64_t bytes, LocaleText& locale)
{
    return CutToBuffer(locale.ByteSize(AsByteCount(bytes)), kByteSizeChars);
}

void StoreDiskSpace(VolumeEntry& entry, const DiskSpace& space)
{
    entry.sectorsPerCluster = space.sectorsPerCluster;
    entry.bytesPerSector = space.bytesPerSector;
    entry.freeClusters = space.freeClusters;
    entry.totalClusters = space.totalClusters;
}

DiskSpace DiskSpaceOf(const VolumeEntry& entry)
{
    return {entry.sectorsPerCluster, entry.bytesPerSector, entry.freeClusters, entry.totalClusters};
}

// The mount path a volume is listed under, with its type name.
struct AcceptedPath {
    std::wstring path;
    std::wstring_view typeName;
};

// Walks the mount paths in order and returns the first one the drive-type
// rules accept; nothing when the volume is not listed. The entry's DriveType
// is that of the last path looked at.
std::optional<AcceptedPath> AcceptMountPath(VolumeEntry& entry, VolumeSystem& system,
                                            const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths) {
        entry.driveType = system.DriveTypeOf(path);
        const DriveTypeRule rule = RuleForDriveType(entry.driveType);
        switch (rule.decision) {
        case DriveDecision::SkipVolume:
            return std::nullopt;
        case DriveDecision::List:
            return AcceptedPath{path, rule.typeName};
        case DriveDecision::ListIfMediaPresent: {
            const auto checkPath = MediaCheckPath(entry.ntDeviceName);
            if (checkPath && system.MediaPresent(*checkPath))
                return AcceptedPath{path, rule.typeName};
            break;
        }
        }
    }
    return std::nullopt;
}

// Fills everything the item shows from the accepted mount path, in the order
// the system is asked: icon, free space, volume information.
void DescribeVolume(VolumeEntry& entry, VolumeSystem& system, LocaleText& locale, const AcceptedPath& accepted)
{
    entry.typeName = std::wstring(accepted.typeName);
    entry.iconIndex = system.SystemIconIndex(accepted.path).value_or(0);
    if (const auto space = system.FreeSpace(accepted.path))
        StoreDiskSpace(entry, *space);
    entry.usedClusters = entry.totalClusters - entry.freeClusters;
    entry.percentUsed = PercentUsed(entry.usedClusters, entry.totalClusters);
    if (const auto info = system.Information(accepted.path)) {
        entry.volumeLabel = CutToBuffer(info->label, kVolumeTextChars);
        entry.serialNumber = info->serialNumber;
        entry.maxComponentLength = info->maxComponentLength;
        entry.fileSystemFlags = info->fileSystemFlags;
        entry.fileSystemName = CutToBuffer(info->fileSystemName, kVolumeTextChars);
    }
    entry.devicePath = DevicePathFor(accepted.path);
    entry.displayName = DisplayNameFor(entry.typeName, accepted.path);
    entry.freeSpaceText = FreeSpaceTextFor(DiskSpaceOf(entry), entry.fileSystemName, locale);
    entry.selected = false;
    entry.hot = false;
}

// Gathers the system's volumes in its order. False when the search could not
// start or broke with an error other than "no more volumes".
bool GatherVolumes(VolumeList& list, VolumeSystem& system, LocaleText& locale)
{
    VolumeSearchStart start = system.StartVolumeSearch();
    if (!start.search || start.first.error != 0)
        return false;
    std::wstring name = std::move(start.first.name);
    // A name that is not a volume name ends the walk quietly, keeping what
    // was gathered.
    while (IsVolumeName(name)) {
        const std::wstring ntDeviceName = system.NtDeviceName(DosDeviceNameOf(name));
        AddVolumeEntry(list, system, locale, name, ntDeviceName);
        VolumeNameReply next = start.search->Next();
        if (next.error == kErrorNoMoreFiles)
            break;
        if (next.error != 0)
            return false;  // the search ends with start.search
        name = std::move(next.name);
    }
    return true;
}

// The selection follows the position, not the volume: a refresh keeps the
// index (or starts at the first entry), pulled back onto the list when the
// list got shorter.
void RestoreSelection(VolumeList& list, bool keepSelection)
{
    if (!keepSelection && !list.entries.empty())
        list.selectedIndex = 0;
    if (list.selectedIndex < 0 || list.selectedIndex >= list.Count())
        list.selectedIndex = list.selectedIndex < 0 ? -1 : list.Count() - 1;
}

} // namespace

DriveTypeRule RuleForDriveType(std::uint32_t driveType)
{
    switch (driveType) {
    case kDriveRemovable: return {DriveDecision::ListIfMediaPresent, L"Removable Disk"};
    case kDriveFixed: return {DriveDecision::List, L"Local Disk"};
    case kDriveRemote:
    case kDriveCdRom: return {DriveDecision::SkipVolume, L""};
    case kDriveRamDisk: return {DriveDecision::List, L"RAM Disk"};
    default: return {DriveDecision::List, L"Unknown"};
    }
}

bool IsVolumeName(std::wstring_view name)
{
    // The bare prefix "\\?\" also ends with a backslash, but names no device.
    return name.size() > kVolumeNamePrefix.size() && name.starts_with(kVolumeNamePrefix) && name.ends_with(L'\\');
}

std::wstring_view DosDeviceNameOf(std::wstring_view volumeName)
{
    if (!IsVolumeName(volumeName))
        return {};
    volumeName.remove_prefix(kVolumeNamePrefix.size());
    volumeName.remove_suffix(1);
    return volumeName;
}

std::optional<std::wstring> MediaCheckPath(std::wstring_view ntDeviceName)
{
    if (ntDeviceName.size() <= kNtDevicePrefix.size())
        return std::nullopt;
    std::wstring path(kDeviceNamespace);
    path += ntDeviceName.substr(kNtDevicePrefix.size());
    return path;
}

std::wstring DevicePathFor(std::wstring_view mountPath)
{
    std::wstring path(kDeviceNamespace);
    path += mountPath.substr(0, 2);
    return path;
}

std::optional<std::wstring_view> DeviceNameOf(std::wstring_view devicePath)
{
    if (!devicePath.starts_with(kDeviceNamespace))
        return std::nullopt;
    return devicePath.substr(kDeviceNamespace.size());
}

std::wstring DisplayNameFor(std::wstring_view typeName, std::wstring_view mountPath)
{
    const std::wstring type(typeName);
    const std::wstring path(mountPath);
    return FormatBounded(kVolumeTextChars, L"%ls (%ls)", type.c_str(), path.c_str());
}

std::uint32_t PercentUsed(std::uint32_t usedClusters, std::uint32_t totalClusters)
{
    if (totalClusters == 0)
        return 100;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(usedClusters) * 100 / totalClusters);
}

std::wstring FreeSpaceTextFor(const DiskSpace& space, std::wstring_view fileSystemName, LocaleText& locale)
{
    // The cluster size is a 32-bit product, as the system's own numbers are;
    // the byte counts need 64 bits.
    const std::uint32_t bytesPerCluster = space.sectorsPerCluster * space.bytesPerSector;
    const std::wstring freeText = ByteSizeText(std::uint64_t{space.freeClusters} * bytesPerCluster, locale);
    const std::wstring totalText = ByteSizeText(std::uint64_t{space.totalClusters} * bytesPerCluster, locale);
    const std::wstring fileSystem(fileSystemName);
    return FormatBounded(kVolumeTextChars, L"%ls free of %ls (%ls)", freeText.c_str(), totalText.c_str(),
                         fileSystem.c_str());
}

std::vector<std::wstring> SplitMountPaths(std::span<const wchar_t> buffer)
{
    std::vector<std::wstring> paths;
    std::size_t start = 0;
    while (start < buffer.size()) {
        const auto rest = buffer.subspan(start);
        const auto end = std::find(rest.begin(), rest.end(), L'\0');
        // An empty string ends the list; a path that runs into the buffer's
        // end without its terminator was cut and is not used.
        if (end == rest.begin() || end == rest.end())
            break;
        paths.emplace_back(rest.begin(), end);
        start += static_cast<std::size_t>(end - rest.begin()) + 1;
    }
    return paths;
}

MountPaths ReadMountPaths(VolumeSystem& system, std::wstring_view volumeName)
{
    std::vector<wchar_t> buffer(kFirstMountPathsChars, L'\0');
    for (;;) {
        const MountPathsReply reply = system.MountPathNames(volumeName, buffer);
        if (reply.error == 0)
            return {MountPathsStatus::Read, SplitMountPaths(buffer)};
        if (reply.error != kErrorMoreData)
            return {MountPathsStatus::Failed, {}};
        // The call says how much it needs. A length that would not grow the
        // buffer would repeat the same answer forever, so the buffer then
        // doubles instead; either way the loop ends at the size limit.
        const std::size_t wanted = reply.length > buffer.size() ? reply.length : buffer.size() * 2;
        if (wanted > kMaxMountPathsChars)
            return {MountPathsStatus::TooLarge, {}};
        buffer.assign(wanted, L'\0');
    }
}

AddOutcome AddVolumeEntry(VolumeList& list, VolumeSystem& system, LocaleText& locale, std::wstring_view volumeName,
                          std::wstring_view ntDeviceName)
{
    const MountPaths mountPaths = ReadMountPaths(system, volumeName);
    if (mountPaths.status == MountPathsStatus::TooLarge)
        return AddOutcome::Failed;
    if (mountPaths.status == MountPathsStatus::Failed)
        return AddOutcome::Skipped;

    VolumeEntry entry;
    entry.ntDeviceName = CutToBuffer(std::wstring(ntDeviceName), kVolumeTextChars);
    entry.volumeName = volumeName;
    entry.mountPaths = mountPaths.paths;
    // A volume with neither a drive letter nor a folder mount (a recovery
    // partition) has nothing to show.
    if (mountPaths.paths.empty())
        return AddOutcome::Skipped;
    const auto accepted = AcceptMountPath(entry, system, mountPaths.paths);
    if (!accepted)
        return AddOutcome::Skipped;
    DescribeVolume(entry, system, locale, *accepted);
    list.entries.push_back(std::move(entry));
    return AddOutcome::Added;
}

int CompareVolumeEntries(const VolumeEntry& a, const VolumeEntry& b)
{
    using Unit = std::make_unsigned_t<wchar_t>;
    const wchar_t* left = a.devicePath.c_str();
    const wchar_t* right = b.devicePath.c_str();
    for (std::size_t i = 0;; ++i) {
        const auto l = static_cast<Unit>(left[i]);
        const auto r = static_cast<Unit>(right[i]);
        if (l != r)
            return l < r ? -1 : 1;
        if (l == 0)
            return 0;
    }
}

bool RefreshVolumes(VolumeList& list, VolumeSystem& system, LocaleText& locale, bool keepSelection,
                    VolumeListHost& host)
{
    list.entries.clear();
    if (!GatherVolumes(list, system, locale))
        return false;
    // Volumes mounted only in folders of the same drive share a device path;
    // they keep the order in which the system gave them.
    std::stable_sort(list.entries.begin(), list.entries.end(),
                     [](const VolumeEntry& a, const VolumeEntry& b) { return CompareVolumeEntries(a, b) < 0; });
    RestoreSelection(list, keepSelection);
    if (VolumeEntry* selected = list.At(list.selectedIndex)) {
        selected->selected = true;
        const std::wstring devicePath = selected->devicePath;
        host.OpenTrackedVolume(devicePath);
    }
    return true;
}

void RefreshFreeSpace(VolumeEntry& entry, VolumeSystem& system, LocaleText& locale)
{
    const auto space = system.FreeSpace(entry.devicePath);
    if (!space)
        return;
    StoreDiskSpace(entry, *space);
    entry.freeSpaceText = FreeSpaceTextFor(*space, entry.fileSystemName, locale);
}

} // namespace trackkit
