#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/file_deleter.h"
#include "setup/filter_manager.h"
#include "setup/installer.h"
#include "setup/system_error_text.h"
#include "setup/user_messages.h"
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
    SystemErrorText& errorText;
};

// Sets the feature "CBT" of the maker's installed product to installed
// (install) or absent, with the installer's user interface off. Answers
// kInstallerSuccess when every installer step succeeded, otherwise the
// status of the step that failed; without a related product that is
// kInstallerUnknownProduct, and nothing is changed. A restart the installer
// asks for leaves the reboot marker.
std::uint32_t RunDriverSetup(bool install, Installer& installer, RebootMarker& reboot);

// What clearing the tracking files got done.
struct ClearedTrackingFiles {
    // False when it stopped before walking the volumes: the filter would not
    // load or the volume search would not start, each said in an error box.
    bool walked = false;
    // The volumes whose tracking file may still be there, in walk order:
    // each by its first mount path, or by its volume GUID path when its
    // mount paths could not be listed.
    std::vector<std::wstring> remaining;
};

// Deletes the tracking file of every volume through the volume-access filter,
// after sending the volume the driver's removal request. Failures to load the
// filter, to start the volume search and to attach the filter are reported
// with error boxes. A volume whose file may have stayed is named in the
// answer, and the walk goes on with the next one.
ClearedTrackingFiles ClearTrackingFiles(const DriverSetupSystem& system);

// "<mount path>\System Volume Information\$QXCBT2", the mount path keeping its
// own trailing backslash. Nothing when the path would not fit
// kTrackingFilePathChars: a cut path names some other file.
std::optional<std::wstring> TrackingFilePath(std::wstring_view mountPath);

// File > "&Install CBT Driver..." and "&Remove CBT Driver...", each ending
// with one box of its own (caption kDriverSetupCaption). A failure's box
// gives the installer's reason below its first line. The removal asks first,
// since it costs every volume its tracking: the next backup of each is a
// full one.
void InstallDriver(const DriverSetupSystem& system);
void RemoveDriver(const DriverSetupSystem& system);

} // namespace trackkit
