#include "setup/win32/setup_device_manager.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>

namespace trackkit {
namespace {

// GUID_DEVCLASS_VOLUMESNAPSHOT, the setup class of volume shadow copies.
constexpr GUID kVolumeSnapshotClass = {0x533c5b84, 0xec70, 0x11d2, {0x95, 0x05, 0x00, 0xc0, 0x4f, 0x79, 0xde, 0xaf}};

constexpr ULONG kNameChars = 1024;

// Owns a SetupAPI device list and destroys it when it goes away. Not copyable.
class DeviceInfoSet {
public:
    explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~DeviceInfoSet()
    {
        if (Valid())
            SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

    bool Valid() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
    HDEVINFO Get() const { return set_; }

private:
    HDEVINFO set_;
};

class SetupDeviceList final : public DeviceList {
public:
    explicit SetupDeviceList(HDEVINFO set) : set_(set) {}

    std::optional<DeviceNode> DeviceAt(std::uint32_t index) override
    {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(set_.Get(), index, &device))
            return std::nullopt;
        return static_cast<DeviceNode>(device.DevInst);
    }

private:
    DeviceInfoSet set_;
};

ULONG PropertyCode(DeviceNameProperty property)
{
    return property == DeviceNameProperty::FriendlyName ? CM_DRP_FRIENDLYNAME : CM_DRP_DEVICEDESC;
}

} // namespace

std::unique_ptr<DeviceList> SetupDeviceManager::ListVolumeSnapshotDevices()
{
    HDEVINFO set = SetupDiGetClassDevsW(&kVolumeSnapshotClass, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<SetupDeviceList>(set);
}

std::optional<std::wstring> SetupDeviceManager::ReadName(DeviceNode device, DeviceNameProperty property)
{
    wchar_t buffer[kNameChars] = {};
    ULONG type = 0;
    ULONG length = sizeof buffer;
    if (CM_Get_DevNode_Registry_PropertyW(device, PropertyCode(property), &type, buffer, &length, 0) != CR_SUCCESS)
        return std::nullopt;
    // The stored string need not end in a terminator inside the length.
    const std::size_t chars = std::min<std::size_t>(length / sizeof(wchar_t), kNameChars);
    std::wstring name(buffer, chars);
    if (const auto end = name.find(L'\0'); end != std::wstring::npos)
        name.resize(end);
    return name;
}

std::uint32_t SetupDeviceManager::QueryStatus(DeviceNode device)
{
    ULONG status = 0;
    ULONG problem = 0;
    return CM_Get_DevNode_Status_Ex(&status, &problem, device, 0, nullptr);
}

std::uint32_t SetupDeviceManager::Uninstall(DeviceNode device) { return CM_Uninstall_DevNode(device, 0); }

} // namespace trackkit
