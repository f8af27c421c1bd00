#include "shell/driver_setup.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/text.h"
#include "volumes/volume_enumeration.h"

namespace trackkit {
namespace {

// The product that carries the feature, found by either upgrade code, in this order.
constexpr std::array<std::wstring_view, 2> kUpgradeCodes = {
    L"{5C2E7A10-3B94-4F61-8D27-A1E0B6C4F392}",
    L"{9D41F0C8-6E25-4A73-B8C1-2F7D05E9A6B4}",
};
constexpr std::wstring_view kDriverFeature = L"CBT";
constexpr std::array<std::wstring_view, 3> kCostActions = {L"CostInitialize", L"FileCost", L"CostFinalize"};
constexpr std::wstring_view kInstallAction = L"INSTALL";
constexpr int kInstallLevel = 0;

constexpr std::wstring_view kVolumeAccessFilter = L"zkvolacc";
constexpr std::wstring_view kVolumeAccessInstance = L"UpperInstance";
constexpr std::wstring_view kTrackingFileName = L"\\System Volume Information\\$QXCBT2";

constexpr std::wstring_view kErrorBoxCaption = L"TrackKit";
constexpr std::size_t kErrorTextChars = 256;

constexpr std::wstring_view kInstalledText =
    L"The Quillon Orvex Change Block Tracking driver has been registered.\r\n\r\n"
    L"You will need to restart your computer to complete the installation.";
constexpr std::wstring_view kInstallFailedText = L"Failed to install the Quillon Orvex Change Block Tracking driver.";
constexpr std::wstring_view kRemovedText =
    L"The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n\r\n"
    L"You will need to restart your computer to complete the uninstallation.";
constexpr std::wstring_view kRemoveFailedText = L"Failed to uninstall the Quillon Orvex Change Block Tracking driver.";

RelatedProduct FindInstalledProduct(Installer& installer)
{
    RelatedProduct related;
    for (std::wstring_view upgradeCode : kUpgradeCodes) {
        related = installer.FindRelatedProduct(upgradeCode);
        if (related.status == kInstallerSuccess)
            break;
    }
    return related;
}

// The steps on an open product; the status of the last call made.
std::uint32_t SwitchDriverFeature(bool install, Installer& installer, RebootMarker& reboot, InstallerHandle product)
{
    for (std::wstring_view action : kCostActions) {
        if (const std::uint32_t status = installer.DoAction(product, action); status != kInstallerSuccess)
            return status;
    }
    if (const std::uint32_t status = installer.SetInstallLevel(product, kInstallLevel); status != kInstallerSuccess)
        return status;
    const std::int32_t state = install ? kInstallStateLocal : kInstallStateAbsent;
    if (const std::uint32_t status = installer.SetFeatureState(product, kDriverFeature, state);
        status != kInstallerSuccess)
        return status;
    if (const std::uint32_t status = installer.DoAction(product, kInstallAction); status != kInstallerSuccess)
        return status;
    if (installer.InRunMode(product, InstallerRunMode::RebootAtEnd) ||
        installer.InRunMode(product, InstallerRunMode::RebootNow))
        reboot.MarkRebootScheduled();
    return kInstallerSuccess;
}

void ShowErrorBox(UserMessages& messages, const std::wstring& text)
{
    messages.ShowUnowned(kErrorBoxCaption, text, MessageIcon::Error);
}

std::wstring WithoutTrailingBackslash(std::wstring_view volumeName)
{
    if (!volumeName.empty() && volumeName.back() == L'\\')
        volumeName.remove_suffix(1);
    return std::wstring(volumeName);
}

// The request goes to the volume itself; neither the open's nor the
// request's failure is reported.
void SendRemovalRequest(TrackingDriver& driver, const std::wstring& volumeDevice)
{
    const OpenVolumeResult opened = driver.OpenVolume(volumeDevice);
    if (opened.volume)
        opened.volume->RequestRemoval();
}

bool DeleteTrackingFile(FileDeleter& files, std::wstring_view mountPath)
{
    const std::optional<std::wstring> path = TrackingFilePath(mountPath);
    return path && files.DeleteFileAt(*path);
}

enum class VolumeWalk { Continue, Stop };

// Clears one volume's tracking file through the first of its mount paths on
// which the deletion works. The filter is attached for one attempt at a time.
VolumeWalk ClearVolume(const DriverSetupSystem& system, std::wstring_view volumeName)
{
    const std::wstring volumeDevice = WithoutTrailingBackslash(volumeName);
    SendRemovalRequest(system.driver, volumeDevice);

    std::vector<wchar_t> buffer(kTrackingMountPathChars, L'\0');
    const MountPathsReply reply = system.volumes.MountPathNames(volumeDevice + L'\\', buffer);
    if (reply.error != 0)
        return VolumeWalk::Stop;

    for (const std::wstring& path : SplitMountPaths(buffer)) {
        const std::int32_t attached = system.filters.Attach(kVolumeAccessFilter, path, kVolumeAccessInstance);
        if (attached < 0) {
            ShowErrorBox(system.messages, FormatBounded(kErrorTextChars, L"Error %x attaching filter to \"%ls\"",
                                                        static_cast<unsigned>(attached), path.c_str()));
            return VolumeWalk::Continue;
        }
        const bool deleted = DeleteTrackingFile(system.files, path);
        system.filters.Detach(kVolumeAccessFilter, path);
        if (deleted)
            break;
    }
    return VolumeWalk::Continue;
}

} // namespace

bool RunDriverSetup(bool install, Installer& installer, RebootMarker& reboot)
{
    const std::uint32_t previousUiLevel = installer.SetUiLevel(kInstallUiLevelNone);
    const RelatedProduct related = FindInstalledProduct(installer);
    std::uint32_t status = related.status;
    if (status == kInstallerSuccess) {
        const OpenedProduct opened = installer.OpenProduct(related.productCode);
        status = opened.status;
        if (status == kInstallerSuccess) {
            status = SwitchDriverFeature(install, installer, reboot, opened.product);
            installer.Close(opened.product);
        }
    }
    installer.SetUiLevel(previousUiLevel);
    return status == kInstallerSuccess;
}

std::optional<std::wstring> TrackingFilePath(std::wstring_view mountPath)
{
    std::wstring path(mountPath);
    path += kTrackingFileName;
    if (path.size() >= kTrackingFilePathChars)
        return std::nullopt;
    return path;
}

bool ClearTrackingFiles(const DriverSetupSystem& system)
{
    const std::int32_t loaded = system.filters.Load(kVolumeAccessFilter);
    const bool alreadyRunning = loaded == kFilterAlreadyRunning;
    if (loaded < 0 && !alreadyRunning) {
        ShowErrorBox(system.messages,
                     FormatBounded(kErrorTextChars, L"Error %x loading filter", static_cast<unsigned>(loaded)));
        return false;
    }

    VolumeSearchStart search = system.volumes.StartVolumeSearch();
    const bool walked = search.search != nullptr;
    if (walked) {
        for (VolumeNameReply volume = search.first; volume.error == 0; volume = search.search->Next()) {
            if (ClearVolume(system, volume.name) == VolumeWalk::Stop)
                break;
        }
        search.search.reset();
    } else {
        ShowErrorBox(system.messages, FormatBounded(kErrorTextChars, L"FindFirstVolume failed with error %d",
                                                    static_cast<int>(search.first.error)));
    }

    if (!alreadyRunning)
        system.filters.Unload(kVolumeAccessFilter);
    return walked;
}

void InstallDriver(const DriverSetupSystem& system)
{
    if (RunDriverSetup(true, system.installer, system.reboot))
        system.messages.Show(kDriverSetupCaption, kInstalledText, MessageIcon::Information);
    else
        system.messages.Show(kDriverSetupCaption, kInstallFailedText, MessageIcon::Error);
}

void RemoveDriver(const DriverSetupSystem& system)
{
    if (!RunDriverSetup(false, system.installer, system.reboot)) {
        system.messages.Show(kDriverSetupCaption, kRemoveFailedText, MessageIcon::Error);
        return;
    }
    ClearTrackingFiles(system);
    system.messages.Show(kDriverSetupCaption, kRemovedText, MessageIcon::Information);
}

} // namespace trackkit
