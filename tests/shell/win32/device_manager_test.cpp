// The device manager through the real SetupAPI and Configuration Manager.
// The tests register a device of the volume snapshot class without a driver
// or hardware behind it (a phantom, such as a shadow copy leaves behind when
// it goes) and remove it again afterwards.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

#include "shell/device_maintenance.h"
#include "shell/win32/setup_device_manager.h"

namespace trackkit {
namespace {

constexpr GUID kVolumeSnapshotClass = {0x533c5b84, 0xec70, 0x11d2, {0x95, 0x05, 0x00, 0xc0, 0x4f, 0x79, 0xde, 0xaf}};
constexpr wchar_t kPhantomId[] = L"STORAGE\\VolumeSnapshot\\TrackKitTestPhantom";

std::uint32_t CountDevices(DeviceList& list)
{
    std::uint32_t count = 0;
    while (list.DeviceAt(count))
        ++count;
    return count;
}

// Removes the phantom device, when it is registered.
void RemovePhantom()
{
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kVolumeSnapshotClass, nullptr);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (SetupDiOpenDeviceInfoW(set, kPhantomId, nullptr, 0, &device))
        SetupDiRemoveDevice(set, &device);
    SetupDiDestroyDeviceInfoList(set);
}

bool RegisterPhantom(const std::wstring& friendlyName)
{
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kVolumeSnapshotClass, nullptr);
    if (set == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    const bool registered =
        SetupDiCreateDeviceInfoW(set, kPhantomId, &kVolumeSnapshotClass, nullptr, nullptr, 0, &device) &&
        SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME,
                                          reinterpret_cast<const BYTE*>(friendlyName.c_str()),
                                          static_cast<DWORD>((friendlyName.size() + 1) * sizeof(wchar_t))) &&
        SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    SetupDiDestroyDeviceInfoList(set);
    return registered;
}

// Wine's own export, absent from Windows.
bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class SetupDeviceManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Uninstalling on a real machine would remove its real shadow copy devices.
        if (!RunningUnderWine())
            GTEST_SKIP() << "changes the machine's devices; runs in the Wine test prefix only";
        RemovePhantom();
    }
    void TearDown() override
    {
        if (RunningUnderWine())
            RemovePhantom();
    }

    SetupDeviceManager devices_;
};

// Wine lists a registered phantom as present and answers CR_SUCCESS to
// every status query, so the phantom cannot count as removed here (and the
// uninstall, which Wine does not implement, is never reached; the frame's
// test reads back the box that the walk then shows).
TEST_F(SetupDeviceManagerTest, ListsTheSnapshotDevicesAndTheirStatus)
{
    const std::unique_ptr<DeviceList> before = devices_.ListVolumeSnapshotDevices();
    ASSERT_NE(before, nullptr);
    const std::uint32_t devicesBefore = CountDevices(*before);
    ASSERT_TRUE(RegisterPhantom(L"Generic volume shadow copy")) << "error " << GetLastError();

    const std::unique_ptr<DeviceList> after = devices_.ListVolumeSnapshotDevices();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(CountDevices(*after), devicesBefore + 1);
    EXPECT_EQ(devices_.QueryStatus(*after->DeviceAt(0)), kConfigSuccess);
}

} // namespace
} // namespace trackkit
