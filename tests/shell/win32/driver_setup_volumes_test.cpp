// Clearing the tracking files with the real volume walk (FindFirstVolumeW,
// GetVolumePathNamesForVolumeNameW), the real removal request and the real
// DeleteFileW. Only C: gets a tracking file, and only paths on C: reach
// DeleteFileW: under Wine that is the test prefix's own drive.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/driver_setup.h"
#include "shell/win32/atom_reboot_marker.h"
#include "shell/win32/windows_error_text.h"
#include "shell/win32/windows_file_deleter.h"
#include "shell/win32/windows_installer.h"
#include "tracking/win32/device_io_driver.h"
#include "volumes/win32/windows_volume_system.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

constexpr wchar_t kFolderOnC[] = L"C:\\System Volume Information";
constexpr wchar_t kTrackingFileOnC[] = L"C:\\System Volume Information\\$QXCBT2";

// The tracking file on C:, there for the object's lifetime; the folder goes
// too when the test made it.
class TrackingFileOnC {
public:
    TrackingFileOnC()
    {
        madeFolder_ = CreateDirectoryW(kFolderOnC, nullptr) != FALSE;
        test::WriteFile(kTrackingFileOnC, "tracking data");
    }
    ~TrackingFileOnC()
    {
        DeleteFileW(kTrackingFileOnC);
        if (madeFolder_)
            RemoveDirectoryW(kFolderOnC);
    }
    TrackingFileOnC(const TrackingFileOnC&) = delete;
    TrackingFileOnC& operator=(const TrackingFileOnC&) = delete;

    static bool Present() { return GetFileAttributesW(kTrackingFileOnC) != INVALID_FILE_ATTRIBUTES; }

private:
    bool madeFolder_ = false;
};

// DeleteFileW for paths on C:; on every other drive a refusal, or the
// system's answer for a file that is not there.
class DeleterOnCOnly final : public FileDeleter {
public:
    std::vector<std::wstring> attempts;
    std::uint32_t DeleteFileAt(std::wstring_view path) override
    {
        attempts.emplace_back(path);
        if (path.starts_with(L"C:\\"))
            return real_.DeleteFileAt(path);
        if (GetFileAttributesW(std::wstring(path).c_str()) == INVALID_FILE_ATTRIBUTES)
            return GetLastError();
        return ERROR_ACCESS_DENIED;
    }

private:
    WindowsFileDeleter real_;
};

// A filter manager that always succeeds, for a machine without the filter.
class WillingFilterManager final : public FilterManager {
public:
    std::vector<std::wstring> calls;
    std::int32_t Load(std::wstring_view) override { return Note(L"load"); }
    std::int32_t Attach(std::wstring_view, std::wstring_view path, std::wstring_view) override
    {
        return Note(L"attach " + std::wstring(path));
    }
    std::int32_t Detach(std::wstring_view, std::wstring_view path) override
    {
        return Note(L"detach " + std::wstring(path));
    }
    std::int32_t Unload(std::wstring_view) override { return Note(L"unload"); }

private:
    std::int32_t Note(std::wstring call)
    {
        calls.push_back(std::move(call));
        return 0;
    }
};

// Whatever the walk would say is recorded.
struct RecordingMessages final : UserMessages {
    std::vector<std::wstring> texts;
    void Show(std::wstring_view, std::wstring_view text, MessageIcon) override { texts.emplace_back(text); }
    void ShowUnowned(std::wstring_view, std::wstring_view text, MessageIcon) override { texts.emplace_back(text); }
    bool AskYesNo(std::wstring_view, std::wstring_view) override { ADD_FAILURE() << "question"; return false; }
};

// The real filter manager, which has no such filter here, is checked by the
// driver commands' test, whose box reads back its refusal.
TEST(DriverSetupVolumesTest, WithAWorkingFilterTheTrackingFileOnCIsDeletedThroughItsMountPath)
{
    const TrackingFileOnC trackingFile;
    WindowsInstaller installer;  // neither is used by the volume walk
    AtomRebootMarker reboot;
    WillingFilterManager filters;
    WindowsVolumeSystem volumes;
    DeviceIoDriver driver;
    DeleterOnCOnly files;
    RecordingMessages messages;
    WindowsErrorText errorText;

    const ClearedTrackingFiles cleared =
        ClearTrackingFiles({installer, reboot, filters, volumes, driver, files, messages, errorText});

    EXPECT_TRUE(cleared.walked);
    EXPECT_TRUE(cleared.remaining.empty()) << "the drives without a file stay silent";
    EXPECT_FALSE(TrackingFileOnC::Present());
    EXPECT_TRUE(messages.texts.empty()) << ::testing::PrintToString(messages.texts);
    const std::vector<std::wstring>& calls = filters.calls;
    const auto count = [&](const std::wstring& call) { return std::count(calls.begin(), calls.end(), call); };
    EXPECT_EQ(count(L"attach C:\\"), 1) << ::testing::PrintToString(calls);
    EXPECT_EQ(count(L"detach C:\\"), 1);
    EXPECT_EQ(calls.back(), L"unload");
    EXPECT_EQ(std::count(files.attempts.begin(), files.attempts.end(),
                         std::wstring(L"C:\\\\System Volume Information\\$QXCBT2")),
              1);
}

// The walk names a volume whose mount paths cannot be listed, as for a volume
// gone during the walk; that the system refuses them is what matters here.
TEST(WindowsVolumeSystemTest, AnUnknownVolumeHasNoMountPaths)
{
    wchar_t buffer[MAX_PATH] = {};
    const MountPathsReply reply =
        WindowsVolumeSystem().MountPathNames(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\", buffer);
    EXPECT_NE(reply.error, 0u);
}

} // namespace
} // namespace trackkit
