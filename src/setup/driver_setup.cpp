#include "setup/driver_setup.h"

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
constexpr std::size_t kReasonChars = 512;
// What DeleteFileW answers for a path too long to be a file's.
constexpr std::uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

constexpr std::wstring_view kInstalledText =
    L"The Quillon Orvex Change Block Tracking driver has been registered.\r\n\r\n"
    L"You will need to restart your computer to complete the installation.";
constexpr std::wstring_view kInstallFailedText = L"Failed to install the Quillon Orvex Change Block Tracking driver.";
constexpr std::wstring_view kRemovedText =
    L"The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n\r\n"
    L"You will need to restart your computer to complete the uninstallation.";
constexpr std::wstring_view kRemoveFailedText = L"Failed to uninstall the Quillon Orvex Change Block Tracking driver.";
constexpr std::wstring_view kRemainingFilesText =
    L"The tracking files of these volumes could not be deleted and remain:";
constexpr std::wstring_view kRemoveQuestion =
    L"Remove the Quillon Orvex Change Block Tracking driver?\r\n\r\n"
    L"This deletes the tracking file of every volume: the next backup of each volume will be a full backup.";

RelatedProduct FindInstalledProduct(Installer& installer)
{
    RelatedProduct related;
    for (std::wstring_view upgradeCode : kUpgradeCodes) {
        related = installer.FindRelatedProduct(upgradeCode);
        if (related.status == kInstallerSuccess)
            return related;
    }
    // The search's own "no more items" would tell the user nothing; what it
    // means is that the product is not installed.
    if (related.status == kInstallerNoMoreItems)
        related.status = kInstallerUnknownProduct;
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

// A failed command's first line, and below it the installer's status in
// numbers and in the system's words.
std::wstring FailureText(std::wstring_view firstLine, std::uint32_t status, SystemErrorText& errorText)
{
    return std::wstring(firstLine) + L"\r\n\r\n" +
           FormatBounded(kReasonChars, L"Error %u: %ls", status, errorText.Describe(status).c_str());
}

std::wstring RemovedText(const std::vector<std::wstring>& remaining)
{
    std::wstring text(kRemovedText);
    if (remaining.empty())
        return text;
    text += L"\r\n\r\n";
    text += kRemainingFilesText;
    for (const std::wstring& volume : remaining)
        text += L"\r\n" + volume;
    return text;
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

// The deletion's Windows error, 0 when the file went.
std::uint32_t DeleteTrackingFile(FileDeleter& files, std::wstring_view mountPath)
{
    const std::optional<std::wstring> path = TrackingFilePath(mountPath);
    if (!path)
        return kErrorFilenameTooLong;
    return files.DeleteFileAt(*path);
}

// A volume that was never tracked has no file: not finding it is the
// normal end of a clean removal, not a failure.
bool FoundAbsent(std::uint32_t deleteError)
{
    return deleteError == kErrorFileNotFound || deleteError == kErrorPathNotFound;
}

// Clears one volume's tracking file through the first of its mount paths on
// which the deletion works. The filter is attached for one attempt at a time.
// Answers the volume's name when its file may have stayed behind.
std::optional<std::wstring> ClearVolume(const DriverSetupSystem& system, std::wstring_view volumeName)
{
    const std::wstring volumeDevice = WithoutTrailingBackslash(volumeName);
    SendRemovalRequest(system.driver, volumeDevice);

    std::vector<wchar_t> buffer(kTrackingMountPathChars, L'\0');
    const MountPathsReply reply = system.volumes.MountPathNames(volumeDevice + L'\\', buffer);
    if (reply.error != 0)
        return std::wstring(volumeName);

    // A volume mounted nowhere (a recovery partition, say) only gets the
    // request: there is no path to its file, and it is too common to report.
    const std::vector<std::wstring> paths = SplitMountPaths(buffer);
    if (paths.empty())
        return std::nullopt;
    bool absent = false;
    for (const std::wstring& path : paths) {
        const std::int32_t attached = system.filters.Attach(kVolumeAccessFilter, path, kVolumeAccessInstance);
        if (attached < 0) {
            ShowErrorBox(system.messages, FormatBounded(kErrorTextChars, L"Error %x attaching filter to \"%ls\"",
                                                        static_cast<unsigned>(attached), path.c_str()));
            break;
        }
        const std::uint32_t error = DeleteTrackingFile(system.files, path);
        system.filters.Detach(kVolumeAccessFilter, path);
        if (error == 0)
            return std::nullopt;
        absent = absent || FoundAbsent(error);
    }
    if (absent)
        return std::nullopt;
    return paths.front();
}

} // namespace

std::uint32_t RunDriverSetup(bool install, Installer& installer, RebootMarker& reboot)
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
    return status;
}

std::optional<std::wstring> TrackingFilePath(std::wstring_view mountPath)
{
    std::wstring path(mountPath);
    path += kTrackingFileName;
    if (path.size() >= kTrackingFilePathChars)
        return std::nullopt;
    return path;
}

ClearedTrackingFiles ClearTrackingFiles(const DriverSetupSystem& system)
{
    ClearedTrackingFiles cleared;
    const std::int32_t loaded = system.filters.Load(kVolumeAccessFilter);
    const bool alreadyRunning = loaded == kFilterAlreadyRunning;
    if (loaded < 0 && !alreadyRunning) {
        ShowErrorBox(system.messages,
                     FormatBounded(kErrorTextChars, L"Error %x loading filter", static_cast<unsigned>(loaded)));
        return cleared;
    }

    VolumeSearchStart search = system.volumes.StartVolumeSearch();
    cleared.walked = search.search != nullptr;
    if (cleared.walked) {
        for (VolumeNameReply volume = search.first; volume.error == 0; volume = search.search->Next()) {
            if (std::optional<std::wstring> left = ClearVolume(system, volume.name))
                cleared.remaining.push_back(std::move(*left));
        }
        search.search.reset();
    } else {
        ShowErrorBox(system.messages, FormatBounded(kErrorTextChars, L"FindFirstVolume failed with error %d",
                                                    static_cast<int>(search.first.error)));
    }

    if (!alreadyRunning)
        system.filters.Unload(kVolumeAccessFilter);
    return cleared;
}

void InstallDriver(const DriverSetupSystem& system)
{
    const std::uint32_t status = RunDriverSetup(true, system.installer, system.reboot);
    if (status == kInstallerSuccess)
        system.messages.Show(kDriverSetupCaption, kInstalledText, MessageIcon::Information);
    else
        system.messages.Show(kDriverSetupCaption, FailureText(kInstallFailedText, status, system.errorText),
                             MessageIcon::Error);
}

void RemoveDriver(const DriverSetupSystem& system)
{
    if (!system.messages.AskYesNo(kDriverSetupCaption, kRemoveQuestion))
        return;
    const std::uint32_t status = RunDriverSetup(false, system.installer, system.reboot);
    if (status != kInstallerSuccess) {
        system.messages.Show(kDriverSetupCaption, FailureText(kRemoveFailedText, status, system.errorText),
                             MessageIcon::Error);
        return;
    }
    const ClearedTrackingFiles cleared = ClearTrackingFiles(system);
    system.messages.Show(kDriverSetupCaption, RemovedText(cleared.remaining), MessageIcon::Information);
}

} // namespace trackkit
