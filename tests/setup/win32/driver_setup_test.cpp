// The driver setup and its commands against the real msi.dll, with two small
// products of our own built by wixl (feature "CBT"), and the clearing of the
// tracking files with the real volume walk and DeleteFileW, which only ever
// reaches C:, the Wine prefix's own drive.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/win32/program_driver.h"
#include "blockmap/win32/dialog_watcher.h"
#include "common/text.h"
#include "setup/driver_setup.h"
#include "setup/win32/atom_reboot_marker.h"
#include "setup/win32/driver_setup_commands.h"
#include "setup/win32/windows_error_text.h"
#include "setup/win32/windows_file_deleter.h"
#include "setup/win32/windows_filter_manager.h"
#include "setup/win32/window_messages.h"
#include "setup/win32/windows_installer.h"
#include "tracking/win32/device_io_driver.h"
#include "volumes/win32/windows_volume_system.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

struct TestProduct { const wchar_t *package, *productCode, *componentCode; };  // as CMakeLists.txt builds them
constexpr TestProduct kFirstProduct{L"cbt_product_first.msi", L"{4A1D7E32-0C55-4B8E-9F21-6D3B2A8C1E01}",
                                    L"{8E2F4C61-7A93-4D05-B1C8-3F6E9A2D5B11}"};
constexpr TestProduct kSecondProduct{L"cbt_product_second.msi", L"{B7C3E9A4-1F62-4D8B-A05E-9C2D7F4B3E02}",
                                     L"{2D6A8F13-5C47-4E9B-8A31-7B0C5E2F9D12}"};

// An msi.dll call without a user interface; the level before is put back.
UINT Quietly(const std::function<UINT()>& call)
{
    const INSTALLUILEVEL before = MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    const UINT result = call();
    MsiSetInternalUI(before, nullptr);
    return result;
}

void Uninstall(const wchar_t* code)
{
    if (MsiQueryProductStateW(code) == INSTALLSTATE_DEFAULT) {
        EXPECT_EQ(Quietly([&] { return MsiConfigureProductW(code, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT); }), 0u);
    }
}

// A test product installed for the object's lifetime, after an earlier run's.
struct InstalledProduct {
    explicit InstalledProduct(const TestProduct& product) : code(product.productCode)
    {
        Uninstall(code);
        const std::wstring package = test::TestProgramFolder() + product.package;
        EXPECT_EQ(Quietly([&] { return MsiInstallProductW(package.c_str(), L""); }), 0u)
            << "was wixl (Debian package wixl) there when the build was configured?";
        wchar_t path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (MsiGetComponentPathW(code, product.componentCode, path, &length) == INSTALLSTATE_LOCAL)
            marker = path;
    }
    ~InstalledProduct()
    {
        Uninstall(code);
        // The installer leaves the folders above the product's own behind.
        RemoveDirectoryW(std::filesystem::path(marker).parent_path().parent_path().c_str());
    }
    bool MarkerPresent() const { return !marker.empty() && std::filesystem::exists(marker); }
    INSTALLSTATE FeatureState() const { return MsiQueryFeatureStateW(code, L"CBT"); }

    const wchar_t* code;
    std::wstring marker;
};

// Without the first upgrade code's product the second one's is found; with
// neither, the setup fails. The commands, as the frame runs them, show their
// real boxes, the removal's question answered Yes: the Filter Manager has no
// volume-access filter here, so the removal reports that before its message.
TEST(DriverSetupInstallerTest, SwitchesTheFeatureOfTheFirstUpgradeCodesProductOrElseTheSeconds)
{
    WindowsInstaller installer;
    AtomRebootMarker reboot;
    const INSTALLUILEVEL uiLevel = MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr);
    HWND frame = CreateWindowExW(0, L"Static", L"frame", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const unsigned loadResult = static_cast<unsigned>(WindowsFilterManager().Load(L"zkvolacc"));
    int questionDefault = 0;
    testing::DialogWatcher watcher([&](HWND box) {
        for (int button : {IDYES, IDNO})
            if ((GetWindowLongPtrW(GetDlgItem(box, button), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                questionDefault = button;
        PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDYES) ? IDYES : IDOK, 0);
    });
    Uninstall(kFirstProduct.productCode);
    {
        const InstalledProduct second(kSecondProduct);
        ASSERT_TRUE(second.MarkerPresent());
        EXPECT_EQ(RunDriverSetup(false, installer, reboot), 0u);
        EXPECT_FALSE(second.MarkerPresent());
        EXPECT_EQ(RunDriverSetup(true, installer, reboot), 0u);
        EXPECT_TRUE(second.MarkerPresent());

        const InstalledProduct first(kFirstProduct);
        ASSERT_TRUE(first.MarkerPresent());
        RemoveDriverCommand(frame, ProgramTrackingDriver());
        EXPECT_FALSE(first.MarkerPresent());
        // Wine reports a removed feature as advertised rather than absent.
        EXPECT_NE(first.FeatureState(), INSTALLSTATE_LOCAL);
        EXPECT_EQ(second.FeatureState(), INSTALLSTATE_LOCAL) << "the second upgrade code's product is left alone";
        InstallDriverCommand(frame, ProgramTrackingDriver());
        EXPECT_TRUE(first.MarkerPresent() && first.FeatureState() == INSTALLSTATE_LOCAL);
    }
    EXPECT_EQ(RunDriverSetup(true, installer, reboot), static_cast<std::uint32_t>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr), uiLevel) << "the user-interface level is restored";
    // The texts are tested natively; their openings show which box came.
    const struct { const wchar_t* caption; HWND owner; std::wstring text; } expected[] = {
        {L"Quillon TrackKit", frame, L"Remove the Quillon Orvex Change Block Tracking driver?\r\n"},
        {L"TrackKit", nullptr, FormatBounded(256, L"Error %x loading filter", loadResult)},
        {L"Quillon TrackKit", frame, L"The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n"},
        {L"Quillon TrackKit", frame, L"The Quillon Orvex Change Block Tracking driver has been registered.\r\n"}};
    ASSERT_EQ(watcher.seen.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const testing::SeenDialog& box = watcher.seen[i];
        EXPECT_EQ(std::pair(box.title, box.owner), std::pair(std::wstring(expected[i].caption), expected[i].owner)) << i;
        EXPECT_TRUE(box.staticTexts.size() == 1 && box.staticTexts[0].starts_with(expected[i].text)) << i;
    }
    EXPECT_EQ(watcher.seen[0].buttonIds, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(questionDefault, IDNO);
    DestroyWindow(frame);
}

constexpr wchar_t kFolderOnC[] = L"C:\\System Volume Information";
constexpr wchar_t kTrackingFileOnC[] = L"C:\\System Volume Information\\$QXCBT2";

// DeleteFileW on C: only; elsewhere a refusal or the system's "not found".
struct DeleterOnCOnly final : FileDeleter {
    std::vector<std::wstring> attempts;
    std::uint32_t DeleteFileAt(std::wstring_view path) override
    {
        attempts.emplace_back(path);
        if (path.starts_with(L"C:\\"))
            return WindowsFileDeleter().DeleteFileAt(path);
        return GetFileAttributesW(std::wstring(path).c_str()) == INVALID_FILE_ATTRIBUTES ? GetLastError()
                                                                                         : ERROR_ACCESS_DENIED;
    }
};

// Always succeeds; the real Filter Manager's refusal is read back above.
struct WillingFilterManager final : FilterManager {
    std::int32_t Load(std::wstring_view) override { return 0; }
    std::int32_t Attach(std::wstring_view, std::wstring_view, std::wstring_view) override { return 0; }
    std::int32_t Detach(std::wstring_view, std::wstring_view) override { return 0; }
    std::int32_t Unload(std::wstring_view) override { return 0; }
};

// The real volume search with a volume placed first that the system does
// not know: its mount paths cannot be listed, as for a volume that went away
// during the walk.
struct UnknownVolumeFirst final : VolumeSystem {
    static constexpr wchar_t kName[] = L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\";
    struct Search final : VolumeSearch {
        explicit Search(VolumeSearchStart started) : real(std::move(started)) {}
        VolumeNameReply Next() override { return std::exchange(atFirst, false) ? real.first : real.search->Next(); }
        VolumeSearchStart real;
        bool atFirst = true;
    };

    VolumeSearchStart StartVolumeSearch() override { return {std::make_unique<Search>(real_.StartVolumeSearch()), {0, kName}}; }
    std::wstring NtDeviceName(std::wstring_view name) override { return real_.NtDeviceName(name); }
    MountPathsReply MountPathNames(std::wstring_view name, std::span<wchar_t> out) override
    {
        return real_.MountPathNames(name, out);
    }
    std::uint32_t DriveTypeOf(std::wstring_view path) override { return real_.DriveTypeOf(path); }
    bool MediaPresent(std::wstring_view path) override { return real_.MediaPresent(path); }
    std::optional<int> SystemIconIndex(std::wstring_view path) override { return real_.SystemIconIndex(path); }
    std::optional<DiskSpace> FreeSpace(std::wstring_view path) override { return real_.FreeSpace(path); }
    std::optional<VolumeInformation> Information(std::wstring_view path) override { return real_.Information(path); }
    WindowsVolumeSystem real_;
};

// A volume whose mount paths cannot be listed is named and the walk goes on
// through the machine's volumes: C:'s file is deleted through its mount path,
// and the drives without a file stay silent.
TEST(DriverSetupVolumesTest, WithAWorkingFilterTheTrackingFileOnCIsDeletedThroughItsMountPath)
{
    const bool madeFolder = CreateDirectoryW(kFolderOnC, nullptr) != FALSE;
    test::WriteFile(kTrackingFileOnC, "tracking data");
    WindowsInstaller installer;  // neither is used by the volume walk
    AtomRebootMarker reboot;
    WillingFilterManager filters;
    UnknownVolumeFirst volumes;
    DeviceIoDriver driver;
    DeleterOnCOnly files;
    WindowMessages messages(nullptr);
    WindowsErrorText errorText;
    testing::DialogWatcher boxes;

    const ClearedTrackingFiles cleared =
        ClearTrackingFiles({installer, reboot, filters, volumes, driver, files, messages, errorText});

    EXPECT_TRUE(cleared.walked && boxes.seen.empty());
    EXPECT_EQ(cleared.remaining, std::vector<std::wstring>{UnknownVolumeFirst::kName});
    EXPECT_EQ(GetFileAttributesW(kTrackingFileOnC), INVALID_FILE_ATTRIBUTES);
    const std::wstring throughMountPath = L"C:\\\\System Volume Information\\$QXCBT2";
    EXPECT_EQ(std::count(files.attempts.begin(), files.attempts.end(), throughMountPath), 1);
    DeleteFileW(kTrackingFileOnC);
    if (madeFolder)
        RemoveDirectoryW(kFolderOnC);
}

} // namespace
} // namespace trackkit
