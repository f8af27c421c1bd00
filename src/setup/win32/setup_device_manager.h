#pragma once

#include "setup/device_manager.h"

namespace trackkit {

// The device manager through SetupAPI (the device list) and the
// Configuration Manager (names, status, uninstall), on the local machine.
class SetupDeviceManager final : public DeviceManager {
public:
    std::unique_ptr<DeviceList> ListVolumeSnapshotDevices() override;
    std::optional<std::wstring> ReadName(DeviceNode device, DeviceNameProperty property) override;
    std::uint32_t QueryStatus(DeviceNode device) override;
    std::uint32_t Uninstall(DeviceNode device) override;
};

} // namespace trackkit
