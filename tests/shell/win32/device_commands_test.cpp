// The File menu's device commands against the real registry and SetupAPI.
// Which values check an item, and the boxes' texts, are tested natively.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "shell/device_maintenance.h"
#include "shell/win32/main_frame.h"
#include "shell/win32/registry_service_key.h"
#include "shell/win32/setup_device_manager.h"
#include "shell/win32/windows_error_text.h"
#include "support/program_shell.h"

namespace trackkit {
namespace {

constexpr int kUsb = 40029, kVhd = 40030;
constexpr wchar_t kServicePath[] = L"System\\CurrentControlSet\\Services\\qxcbt";
constexpr wchar_t kScratchPath[] = L"Software\\TrackKitTests\\qxcbt";  // where the service key is saved

bool Checked(HWND frame, int item) { return GetMenuState(GetMenu(frame), item, MF_BYCOMMAND) & MF_CHECKED; }

// The driver's service key, saved to the scratch key and copied back after.
class ServiceKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServicePath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                                  &disposition_), ERROR_SUCCESS);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchPath);
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, kScratchPath, &saved_), ERROR_SUCCESS);
        ASSERT_EQ(RegCopyTreeW(key_, nullptr, saved_), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegDeleteValueW(key_, L"ExcludeUSB");
        RegDeleteValueW(key_, L"ExcludeVHD");
        RegCopyTreeW(saved_, nullptr, key_);
        RegCloseKey(saved_);
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TrackKitTests");
        if (disposition_ == REG_CREATED_NEW_KEY)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServicePath);
    }

    HKEY key_ = nullptr, saved_ = nullptr;
    DWORD disposition_ = 0;
};

// The frame reads the settings when it is created; its commands' boxes are its own.
TEST_F(ServiceKeyTest, TheMainFrameShowsAndTogglesTheStoredSettings)
{
    const DWORD five = 5;
    ASSERT_EQ(RegSetValueExW(key_, L"ExcludeUSB", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4), 0);  // no DWORD
    ASSERT_EQ(RegSetValueExW(key_, L"ExcludeVHD", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4), 0);
    testing::PrepareProgramShell();
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 10, 10, 900, 600};
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::pair(Checked(frame, kUsb), Checked(frame, kVhd)), std::pair(false, true));
    testing::DialogWatcher watcher;
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kVhd, 0), 0);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40027, 0), 0);  // the test prefix has no shadow copy that has gone
    EXPECT_FALSE(Checked(frame, kVhd));
    DWORD stored = 1, size = sizeof stored;
    EXPECT_EQ(RegGetValueW(key_, nullptr, L"ExcludeVHD", RRF_RT_REG_DWORD, nullptr, &stored, &size), ERROR_SUCCESS);
    EXPECT_EQ(stored, 0u);
    ASSERT_EQ(watcher.seen.size(), 2u);
    for (const auto& [i, title, text] : {std::tuple{0, L"TrackKit", L"Quillon Change Block Tracker is set to include VHD"},
             {1, L"Quillon TrackKit", L"Could not find any volume shadow copy devices"}}) {
        EXPECT_EQ(std::pair(watcher.seen[i].title, watcher.seen[i].owner), std::pair(std::wstring(title), frame));
        EXPECT_TRUE(watcher.seen[i].staticTexts.size() == 1 && watcher.seen[i].staticTexts[0].starts_with(text)) << i;
    }
    DestroyWindow(frame);
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {}
}

// What the service key reports for odd values on a scratch key of the
// current user, and that it never creates a missing key.
TEST(RegistryServiceKeyTest, PassesOnWhatTheRegistryReportsAndWritesOnlyToAnExistingKey)
{
    constexpr wchar_t kScratch[] = L"Software\\TrackKitTests\\OddValues";
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    RegistryServiceKey key(kScratch, HKEY_CURRENT_USER);
    EXPECT_FALSE(key.OpenForQuery());
    EXPECT_EQ(key.WriteDword(L"ExcludeUSB", 1), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));

    const DWORD five = 5;
    RegSetKeyValueW(HKEY_CURRENT_USER, kScratch, L"Short", REG_DWORD, &five, 2);
    RegSetKeyValueW(HKEY_CURRENT_USER, kScratch, L"Long", REG_SZ, L"TRUE", 10);
    ASSERT_TRUE(key.OpenForQuery());
    const ServiceValue shortDword = key.Query(L"Short");
    EXPECT_EQ((std::array{std::uint32_t{shortDword.read}, shortDword.size, shortDword.number}), (std::array{1u, 2u, 5u}));
    EXPECT_FALSE(key.Query(L"Long").read) << "more than four bytes are not read";
    EXPECT_FALSE(key.Query(L"Missing").read);
    key.Close();
    EXPECT_EQ(key.WriteDword(L"Long", 0), 0u);
    ASSERT_TRUE(key.OpenForQuery());
    EXPECT_EQ(key.Query(L"Long").type, static_cast<std::uint32_t>(REG_DWORD));
    key.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}

TEST(WindowsErrorTextTest, GivesTheSystemsTextOrTheNumber)
{
    const std::wstring known = WindowsErrorText().Describe(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known.back(), L'\n') << "the closing line break is taken off";
    EXPECT_EQ(WindowsErrorText().Describe(0x2000FFFFu), L"Error 536936447.");
}

// A phantom of the volume snapshot class, without driver or hardware, such as
// a shadow copy leaves behind when it goes.
bool RegisterOrRemovePhantom(bool registering)
{
    static constexpr GUID kVolumeSnapshotClass = {0x533c5b84, 0xec70, 0x11d2, {0x95, 0x05, 0x00, 0xc0, 0x4f, 0x79, 0xde, 0xaf}};
    static constexpr wchar_t kName[] = L"Generic volume shadow copy";
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kVolumeSnapshotClass, nullptr);
    SP_DEVINFO_DATA device{sizeof device, {}, 0, 0};
    const wchar_t* id = L"STORAGE\\VolumeSnapshot\\TrackKitTestPhantom";
    const bool done = registering
        ? SetupDiCreateDeviceInfoW(set, id, &kVolumeSnapshotClass, nullptr, nullptr, 0, &device) &&
              SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(kName),
                                                sizeof kName) &&
              SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)
        : SetupDiOpenDeviceInfoW(set, id, nullptr, 0, &device) && SetupDiRemoveDevice(set, &device);
    SetupDiDestroyDeviceInfoList(set);
    return done;
}

// Wine lists a registered phantom as present with CR_SUCCESS, so it cannot
// count as removed here; the frame's test reads back the walk's box.
TEST(SetupDeviceManagerTest, ListsTheSnapshotDevicesAndTheirStatus)
{
    // Only in Wine's prefix: on Windows this would remove the machine's devices.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
        GTEST_SKIP() << "changes the machine's devices; runs in the Wine test prefix only";
    RegisterOrRemovePhantom(false);
    SetupDeviceManager devices;
    const std::unique_ptr<DeviceList> before = devices.ListVolumeSnapshotDevices();
    ASSERT_NE(before, nullptr);
    std::uint32_t count = 0;
    while (before->DeviceAt(count))
        ++count;
    ASSERT_TRUE(RegisterOrRemovePhantom(true)) << "error " << GetLastError();
    const std::unique_ptr<DeviceList> after = devices.ListVolumeSnapshotDevices();
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(after->DeviceAt(count) && !after->DeviceAt(count + 1)) << "one device more";
    EXPECT_EQ(devices.QueryStatus(*after->DeviceAt(0)), kConfigSuccess);
    RegisterOrRemovePhantom(false);
}

} // namespace
} // namespace trackkit
