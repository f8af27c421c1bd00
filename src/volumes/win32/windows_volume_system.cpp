#include "volumes/win32/windows_volume_system.h"

#include <windows.h>
#include <shellapi.h>
#include <winioctl.h>

#include <limits>

#include "common/win32/unique_handles.h"
#include "volumes/volume_list.h"

namespace trackkit {
namespace {

// The system's calls fill buffers of this many units, as the list's texts hold.
constexpr DWORD kBufferChars = static_cast<DWORD>(kVolumeTextChars);

// The views the interface passes are not NUL-terminated; the calls need it.
std::wstring Terminated(std::wstring_view text) { return std::wstring(text); }

// A running FindFirstVolumeW search, ended with FindVolumeClose (not
// CloseHandle) when it goes away.
class WindowsVolumeSearch final : public VolumeSearch {
public:
    explicit WindowsVolumeSearch(HANDLE search) : search_(search) {}
    ~WindowsVolumeSearch() override { FindVolumeClose(search_); }
    WindowsVolumeSearch(const WindowsVolumeSearch&) = delete;
    WindowsVolumeSearch& operator=(const WindowsVolumeSearch&) = delete;

    VolumeNameReply Next() override
    {
        wchar_t name[kBufferChars] = {};
        if (!FindNextVolumeW(search_, name, kBufferChars))
            return {GetLastError(), {}};
        return {0, name};
    }

private:
    HANDLE search_;
};

} // namespace

VolumeSearchStart WindowsVolumeSystem::StartVolumeSearch()
{
    wchar_t name[kBufferChars] = {};
    HANDLE search = FindFirstVolumeW(name, kBufferChars);
    if (search == INVALID_HANDLE_VALUE)
        return {nullptr, {GetLastError(), {}}};
    return {std::make_unique<WindowsVolumeSearch>(search), {0, name}};
}

std::wstring WindowsVolumeSystem::NtDeviceName(std::wstring_view dosDeviceName)
{
    // The answer is a list of names; the first is the device itself.
    wchar_t target[kBufferChars] = {};
    if (QueryDosDeviceW(Terminated(dosDeviceName).c_str(), target, kBufferChars) == 0)
        return {};
    target[kBufferChars - 1] = L'\0';
    return target;
}

MountPathsReply WindowsVolumeSystem::MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer)
{
    if (buffer.size() > std::numeric_limits<DWORD>::max())
        return {ERROR_INVALID_PARAMETER, 0};
    DWORD length = 0;
    if (!GetVolumePathNamesForVolumeNameW(Terminated(volumeName).c_str(), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), &length))
        return {GetLastError(), length};
    return {0, length};
}

std::uint32_t WindowsVolumeSystem::DriveTypeOf(std::wstring_view rootPath)
{
    return GetDriveTypeW(Terminated(rootPath).c_str());
}

bool WindowsVolumeSystem::MediaPresent(std::wstring_view devicePath)
{
    // Reading attributes needs no access to the media itself, so the open
    // works on an empty drive and the request below tells whether media is in.
    UniqueHandle device(CreateFileW(Terminated(devicePath).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device.Valid())
        return false;
    DWORD returned = 0;
    return DeviceIoControl(device.Get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0, &returned, nullptr) !=
           FALSE;
}

std::optional<int> WindowsVolumeSystem::SystemIconIndex(std::wstring_view path)
{
    SHFILEINFOW info{};
    // With SHGFI_SYSICONINDEX the answer is the system image list, or 0.
    if (SHGetFileInfoW(Terminated(path).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_SYSICONINDEX) == 0)
        return std::nullopt;
    return info.iIcon;
}

std::optional<DiskSpace> WindowsVolumeSystem::FreeSpace(std::wstring_view rootPath)
{
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!GetDiskFreeSpaceW(Terminated(rootPath).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return std::nullopt;
    return DiskSpace{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
}

std::optional<VolumeInformation> WindowsVolumeSystem::Information(std::wstring_view rootPath)
{
    wchar_t label[kBufferChars] = {};
    wchar_t fileSystem[kBufferChars] = {};
    DWORD serialNumber = 0;
    DWORD maxComponentLength = 0;
    DWORD flags = 0;
    if (!GetVolumeInformationW(Terminated(rootPath).c_str(), label, kBufferChars, &serialNumber, &maxComponentLength,
                               &flags, fileSystem, kBufferChars))
        return std::nullopt;
    return VolumeInformation{label, serialNumber, maxComponentLength, flags, fileSystem};
}

} // namespace trackkit
