#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace trackkit {

// A device node of the Configuration Manager (a DEVINST on Windows).
using DeviceNode = std::uint32_t;

// Answers of the Configuration Manager (CONFIGRET) that the walk tells apart.
inline constexpr std::uint32_t kConfigSuccess = 0;         // CR_SUCCESS
inline constexpr std::uint32_t kConfigNoSuchDevInst = 13;  // CR_NO_SUCH_DEVINST
inline constexpr std::uint32_t kConfigNoSuchValue = 37;    // CR_NO_SUCH_VALUE

// The device properties that name a device.
enum class DeviceNameProperty {
    FriendlyName,  // CM_DRP_FRIENDLYNAME
    Description,   // CM_DRP_DEVICEDESC
};

// A list of devices taken from the device manager; released when it goes away.
class DeviceList {
public:
    virtual ~DeviceList() = default;
    // The device at a position of the list; nothing past its last device.
    virtual std::optional<DeviceNode> DeviceAt(std::uint32_t index) = 0;
};

// The device manager: SetupAPI and the Configuration Manager on Windows.
class DeviceManager {
public:
    virtual ~DeviceManager() = default;
    // Every device of the volume snapshot class, present or not; null when
    // the list cannot be obtained.
    virtual std::unique_ptr<DeviceList> ListVolumeSnapshotDevices() = 0;
    // A name of the device; nothing when it cannot be read.
    virtual std::optional<std::wstring> ReadName(DeviceNode device, DeviceNameProperty property) = 0;
    // The answer of the node's status query; the status itself is not needed.
    virtual std::uint32_t QueryStatus(DeviceNode device) = 0;
    // Uninstalls the device node; the Configuration Manager's answer.
    virtual std::uint32_t Uninstall(DeviceNode device) = 0;
};

} // namespace trackkit
