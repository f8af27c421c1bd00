#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/file_deleter.h"
#include "shell/filter_manager.h"
#include "shell/installer.h"
#include "shell/user_messages.h"
#include "tracking/tracking_driver.h"
#include "volumes/volume_system.h"

namespace trackkit {

// The caption of every box the two driver commands show.
inline constexpr std::wstring_view kDriverSetupCaption = L"Quillon TrackKit";
// A tracking file's full path must fit a buffer of this many characters.
inline constexpr std::size_t kTrackingFilePathChars = 261;
// The buffer a volume's mount paths are read into, in characters.
inline constexpr std::size_t kTrackingMountPathChars = 1040;

// Everything the install and remove commands talk to. The tracking driver
// receives the removal request on each volume before its file is deleted.
struct DriverSetupSystem {
    Installer& installer;
    RebootMarker& reboot;
    FilterManager& filters;
    VolumeSystem& volumes;
    TrackingDriver& driver;
    FileDeleter& files;
    UserMessages& messages;
};

// Sets the feature "CBT" of the maker's installed product to installed
// (install) or absent, with the installer's user interface off. True when
// every installer step succeeded; a restart the installer asks for leaves the
// reboot marker. Without a related product nothing is changed.
bool RunDriverSetup(bool install, Installer& installer, RebootMarker& reboot);

// Deletes the tracking file of every volume through the volume-access filter,
// after sending the volume the driver's removal request. Failures to load the
// filter, to start the volume search and to attach the filter are reported
// with error boxes. False when it stopped before walking the volumes.
bool ClearTrackingFiles(const DriverSetupSystem& system);

// "<mount path>\System Volume Information\$QXCBT2", the mount path keeping its
// own trailing backslash. Nothing when the path would not fit
// kTrackingFilePathChars: a cut path names some other file.
std::optional<std::wstring> TrackingFilePath(std::wstring_view mountPath);

// File > "&Install CBT Driver..." and "&Remove CBT Driver...", each ending
// with one box of its own (caption kDriverSetupCaption).
void InstallDriver(const DriverSetupSystem& system);
void RemoveDriver(const DriverSetupSystem& system);

} // namespace trackkit
