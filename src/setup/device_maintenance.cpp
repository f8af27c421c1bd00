#include "setup/device_maintenance.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"
#include "resources/command_ids.h"

namespace trackkit {
namespace {

constexpr std::size_t kToggleTextChars = 200;
constexpr std::size_t kStoreFailedTextChars = 512;
constexpr std::size_t kShadowCopyTextChars = 512;

// One exclusion setting: the menu item that shows it, its value in the
// service key and the devices it is about, in the words of its message.
struct ExclusionSetting {
    int command;
    std::wstring_view valueName;
    std::wstring_view devices;
};

constexpr std::array<ExclusionSetting, 2> kExclusionSettings = {{
    {IDM_FILE_EXCLUDE_USB, kExcludeUsbValue, L"USB devices"},
    {IDM_FILE_EXCLUDE_VHD, kExcludeVhdValue, L"VHD/VHDX devices"},
}};

const ExclusionSetting* ExclusionFor(int command)
{
    for (const ExclusionSetting& setting : kExclusionSettings) {
        if (setting.command == command)
            return &setting;
    }
    return nullptr;
}

std::wstring Terminated(std::wstring_view text) { return std::wstring(text); }

// On only for a readable four-byte REG_DWORD that is not 0; anything else is
// off and leaves a debug line.
bool ReadExclusion(ServiceKey& key, std::wstring_view valueName, DebugLog& debug)
{
    const ServiceValue value = key.Query(valueName);
    if (value.read && value.type == kRegistryTypeDword && value.size == kRegistryDwordBytes)
        return value.number != 0;
    debug.Write(FormatBounded(64, L"*** Failed to query %ls\n", Terminated(valueName).c_str()));
    return false;
}

void WriteExclusionState(DebugLog& debug, std::wstring_view valueName, bool on)
{
    debug.Write(FormatBounded(64, L"%ls=%ls\n", Terminated(valueName).c_str(), on ? L"TRUE" : L"FALSE"));
}

std::wstring ToggleText(const ExclusionSetting& setting, bool exclude)
{
    return FormatBounded(kToggleTextChars,
                         L"Quillon Change Block Tracker is set to %ls %ls.\n"
                         L"The changes will take effect the next time you restart Windows.",
                         exclude ? L"exclude" : L"include", Terminated(setting.devices).c_str());
}

std::wstring StoreFailedText(const ExclusionSetting& setting, const std::wstring& systemText)
{
    return FormatBounded(kStoreFailedTextChars, L"Could not store the exclusion setting for %ls.\n\n%ls",
                         Terminated(setting.devices).c_str(), systemText.c_str());
}

// Letter case is ignored for the letters of the English alphabet, the only
// ones in the name that is looked for.
wchar_t FoldCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

std::optional<std::wstring> DeviceName(DeviceManager& devices, DeviceNode device)
{
    if (auto name = devices.ReadName(device, DeviceNameProperty::FriendlyName))
        return name;
    return devices.ReadName(device, DeviceNameProperty::Description);
}

// The Configuration Manager no longer knows a device that has gone.
bool CountsAsRemoved(std::uint32_t statusAnswer)
{
    return statusAnswer == kConfigNoSuchDevInst || statusAnswer == kConfigNoSuchValue;
}

std::uint32_t UninstallRemovedDevices(DeviceManager& devices, DeviceList& list)
{
    std::uint32_t uninstalled = 0;
    for (std::uint32_t index = 0;; ++index) {
        const std::optional<DeviceNode> device = list.DeviceAt(index);
        if (!device)
            break;
        const std::optional<std::wstring> name = DeviceName(devices, *device);
        const bool removed = CountsAsRemoved(devices.QueryStatus(*device));
        if (removed && name && EqualIgnoringCase(*name, kShadowCopyDeviceName) &&
            devices.Uninstall(*device) == kConfigSuccess)
            ++uninstalled;
    }
    return uninstalled;
}

std::wstring ShadowCopyText(std::uint32_t uninstalled)
{
    if (uninstalled == 0)
        return L"Could not find any volume shadow copy devices that are not in use.";
    return FormatBounded(kShadowCopyTextChars,
                         L"Quillon TrackKit found %u volume shadow copy devices that were not in use and has "
                         L"uninstalled them.",
                         uninstalled);
}

} // namespace

void ReadDeviceExclusions(DeviceExclusionHost& host)
{
    bool excludeUsb = false;
    bool excludeVhd = false;
    if (host.key.OpenForQuery()) {
        excludeUsb = ReadExclusion(host.key, kExcludeUsbValue, host.debug);
        excludeVhd = ReadExclusion(host.key, kExcludeVhdValue, host.debug);
        host.key.Close();
    } else {
        host.debug.Write(L"*** Failed to open key\n");
    }
    WriteExclusionState(host.debug, kExcludeUsbValue, excludeUsb);
    WriteExclusionState(host.debug, kExcludeVhdValue, excludeVhd);
    host.menu.SetCheckMark(IDM_FILE_EXCLUDE_USB, excludeUsb);
    host.menu.SetCheckMark(IDM_FILE_EXCLUDE_VHD, excludeVhd);
}

void ToggleDeviceExclusion(DeviceExclusionHost& host, int command)
{
    const ExclusionSetting* setting = ExclusionFor(command);
    if (setting == nullptr)
        return;
    const bool exclude = !host.menu.IsChecked(command);
    // Telling the user that a setting changed when nothing was stored would
    // leave the driver and the menu disagreeing without anyone knowing.
    const std::uint32_t error = host.key.WriteDword(setting->valueName, exclude ? 1 : 0);
    if (error != 0) {
        host.messages.Show(kExclusionCaption, StoreFailedText(*setting, host.errorText.Describe(error)),
                           MessageIcon::Error);
        return;
    }
    host.menu.ReplaceState(command, exclude);
    host.messages.Show(kExclusionCaption, ToggleText(*setting, exclude), MessageIcon::Information);
}

void UninstallRemovedShadowCopyDevices(DeviceManager& devices, UserMessages& messages)
{
    std::uint32_t uninstalled = 0;
    if (const std::unique_ptr<DeviceList> list = devices.ListVolumeSnapshotDevices())
        uninstalled = UninstallRemovedDevices(devices, *list);
    messages.Show(kShadowCopyCaption, ShadowCopyText(uninstalled), MessageIcon::Information);
}

} // namespace trackkit
