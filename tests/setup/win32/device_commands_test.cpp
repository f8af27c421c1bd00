// The device commands' Windows side: the registry's answers for the service
// key, the system's error texts and SetupAPI's device list. The frame's own
// use of them runs in real_driver_frame_test.cpp.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include "setup/device_maintenance.h"
#include "settings/win32/registry_service_key.h"
#include "setup/win32/setup_device_manager.h"
#include "setup/win32/windows_error_text.h"

namespace trackkit {
namespace {

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
    EXPECT_EQ(std::tuple(shortDword.read, shortDword.size, shortDword.number), std::tuple(true, 2u, 5u));
    EXPECT_FALSE(key.Query(L"Long").read || key.Query(L"Missing").read) << "more than four bytes are not read";
    key.Close();
    EXPECT_EQ(key.WriteDword(L"Long", 0), 0u);
    ASSERT_TRUE(key.OpenForQuery());
    EXPECT_EQ(key.Query(L"Long").type, static_cast<std::uint32_t>(REG_DWORD));
    key.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}

TEST(WindowsErrorTextTest, GivesTheSystemsTextWithoutItsLineBreakOrTheNumber)
{
    const std::wstring known = WindowsErrorText().Describe(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(!known.empty() && known.back() != L'\n');
    EXPECT_EQ(WindowsErrorText().Describe(0x2000FFFFu), L"Error 536936447.");
}

// A phantom of the volume snapshot class, without driver or hardware, such as
// a shadow copy leaves behind when it goes.
bool RegisterOrRemovePhantom(bool registering)
{
    static constexpr GUID kSnapshots = {0x533c5b84, 0xec70, 0x11d2, {0x95, 0x05, 0x00, 0xc0, 0x4f, 0x79, 0xde, 0xaf}};
    static constexpr wchar_t kName[] = L"Generic volume shadow copy";
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kSnapshots, nullptr);
    SP_DEVINFO_DATA device{sizeof device, {}, 0, 0};
    const wchar_t* id = L"STORAGE\\VolumeSnapshot\\TrackKitTestPhantom";
    const bool done = registering
        ? SetupDiCreateDeviceInfoW(set, id, &kSnapshots, nullptr, nullptr, 0, &device) &&
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
