#pragma once

#include <string_view>

#include "setup/device_manager.h"
#include "setup/menu_checks.h"
#include "settings/service_key.h"
#include "setup/system_error_text.h"
#include "setup/user_messages.h"
#include "tracking/poller.h"

namespace trackkit {

inline constexpr std::wstring_view kExcludeUsbValue = L"ExcludeUSB";
inline constexpr std::wstring_view kExcludeVhdValue = L"ExcludeVHD";
inline constexpr std::wstring_view kExclusionCaption = L"TrackKit";
inline constexpr std::wstring_view kShadowCopyCaption = L"Quillon TrackKit";
inline constexpr std::wstring_view kShadowCopyDeviceName = L"Generic volume shadow copy";

// What the exclusion settings are read from, written to and shown on.
struct DeviceExclusionHost {
    ServiceKey& key;
    MenuChecks& menu;
    DebugLog& debug;
    UserMessages& messages;
    SystemErrorText& errorText;
};

// Start-up: sets the check marks of "Exclude &USB Devices" and "Exclude &VHD
// Devices" from ExcludeUSB and ExcludeVHD. A missing key, a missing value or
// one that is not a four-byte REG_DWORD shows as no check mark, with a debug
// line that says so.
void ReadDeviceExclusions(DeviceExclusionHost& host);

// Commands 40029 and 40030: stores the opposite of the item's check mark (1
// or 0) and tells the user. When it cannot be stored, an error box says so
// and the check mark stays. Other commands do nothing.
void ToggleDeviceExclusion(DeviceExclusionHost& host, int command);

// Command 40027: uninstalls every volume snapshot device that no longer
// exists and is named "Generic volume shadow copy" (in any letter case), and
// reports how many went.
void UninstallRemovedShadowCopyDevices(DeviceManager& devices, UserMessages& messages);

} // namespace trackkit
