// The driver setup and the two File-menu commands against the real Windows
// Installer (msi.dll; under Wine, Wine's), with two small products of our own
// that carry a feature "CBT". The build makes them with wixl beside this
// program; each test installs what it needs with msiexec and uninstalls it
// again.

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "common/text.h"
#include "shell/driver_setup.h"
#include "shell/win32/atom_reboot_marker.h"
#include "shell/win32/driver_setup_commands.h"
#include "shell/win32/windows_filter_manager.h"
#include "shell/win32/windows_installer.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

// As built by this folder's CMakeLists.txt.
struct TestProduct {
    const wchar_t* package;
    const wchar_t* productCode;
    const wchar_t* componentCode;
};
constexpr TestProduct kFirstProduct{L"cbt_product_first.msi", L"{4A1D7E32-0C55-4B8E-9F21-6D3B2A8C1E01}",
                                    L"{8E2F4C61-7A93-4D05-B1C8-3F6E9A2D5B11}"};
constexpr TestProduct kSecondProduct{L"cbt_product_second.msi", L"{B7C3E9A4-1F62-4D8B-A05E-9C2D7F4B3E02}",
                                     L"{2D6A8F13-5C47-4E9B-8A31-7B0C5E2F9D12}"};

// msiexec.exe with the arguments, quiet, waited for: its exit code, or a
// note when it could not be started.
DWORD RunMsiexec(const std::wstring& arguments)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(system) + L"\\msiexec.exe\" " + arguments + L" /qn";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "msiexec did not start, error " << GetLastError();
        return ERROR_INVALID_FUNCTION;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = ERROR_INVALID_FUNCTION;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

void Uninstall(const TestProduct& product)
{
    if (MsiQueryProductStateW(product.productCode) == INSTALLSTATE_DEFAULT) {
        EXPECT_EQ(RunMsiexec(L"/x " + std::wstring(product.productCode)), 0u) << "msiexec /x";
    }
}

// One test product installed for the object's lifetime.
class InstalledProduct {
public:
    explicit InstalledProduct(const TestProduct& product) : product_(product)
    {
        const std::wstring package = test::TestProgramFolder() + product.package;
        if (!std::filesystem::exists(package)) {
            ADD_FAILURE() << "the test product " << std::filesystem::path(package).string()
                          << " was not built: wixl (Debian package wixl) was missing when the build was configured";
            return;
        }
        Uninstall(product);  // left over from an interrupted run
        EXPECT_EQ(RunMsiexec(L"/i \"" + package + L"\""), 0u) << "msiexec /i";
        wchar_t path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (MsiGetComponentPathW(product.productCode, product.componentCode, path, &length) == INSTALLSTATE_LOCAL)
            markerFile_ = path;
    }
    ~InstalledProduct()
    {
        Uninstall(product_);
        // The installer leaves the folders above the product's own behind.
        if (!markerFile_.empty())
            RemoveDirectoryW(std::filesystem::path(markerFile_).parent_path().parent_path().c_str());
    }
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;

    bool MarkerPresent() const { return !markerFile_.empty() && std::filesystem::exists(markerFile_); }
    INSTALLSTATE FeatureState() const { return MsiQueryFeatureStateW(product_.productCode, L"CBT"); }

private:
    const TestProduct& product_;
    std::wstring markerFile_;
};

std::uint32_t CurrentUiLevel()
{
    return static_cast<std::uint32_t>(MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr));
}

class DriverSetupInstallerTest : public ::testing::Test {
protected:
    WindowsInstaller installer;
    AtomRebootMarker reboot;
};

TEST_F(DriverSetupInstallerTest, TheFirstUpgradeCodesProductHasItsFeatureRemovedAndRestored)
{
    const InstalledProduct first(kFirstProduct);
    const InstalledProduct second(kSecondProduct);
    ASSERT_TRUE(first.MarkerPresent() && second.MarkerPresent()) << "both test products installed";
    const std::uint32_t uiLevel = CurrentUiLevel();

    EXPECT_EQ(RunDriverSetup(false, installer, reboot), 0u);
    EXPECT_FALSE(first.MarkerPresent()) << "the feature's file was removed";
    // Wine reports a removed feature as advertised rather than absent.
    const INSTALLSTATE removed = first.FeatureState();
    EXPECT_TRUE(removed == INSTALLSTATE_ABSENT || removed == INSTALLSTATE_ADVERTISED) << removed;
    EXPECT_TRUE(second.MarkerPresent()) << "the product of the second upgrade code is left alone";
    EXPECT_EQ(second.FeatureState(), INSTALLSTATE_LOCAL);

    EXPECT_EQ(RunDriverSetup(true, installer, reboot), 0u);
    EXPECT_TRUE(first.MarkerPresent()) << "the feature's file is back";
    EXPECT_EQ(first.FeatureState(), INSTALLSTATE_LOCAL);
    EXPECT_EQ(CurrentUiLevel(), uiLevel) << "the user-interface level is restored";
}

// Without the first upgrade code's product the second one's is set up; with
// neither, the setup fails.
TEST_F(DriverSetupInstallerTest, TheSecondUpgradeCodeFindsTheProductWhenTheFirstHasNone)
{
    Uninstall(kFirstProduct);  // left over from an interrupted run
    {
        const InstalledProduct second(kSecondProduct);
        ASSERT_TRUE(second.MarkerPresent());
        EXPECT_EQ(RunDriverSetup(false, installer, reboot), 0u);
        EXPECT_FALSE(second.MarkerPresent());
        EXPECT_EQ(RunDriverSetup(true, installer, reboot), 0u);
        EXPECT_TRUE(second.MarkerPresent());
    }
    const std::uint32_t uiLevel = CurrentUiLevel();
    EXPECT_EQ(RunDriverSetup(true, installer, reboot), static_cast<std::uint32_t>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_EQ(CurrentUiLevel(), uiLevel);
}

// The commands as the frame runs them, with their real boxes, the removal's
// question answered Yes: the Filter Manager has no volume-access filter
// here, so the removal reports that before its own message.
TEST(DriverSetupCommandsTest, TheCommandsSwitchTheFeatureAndReportInTheirBoxes)
{
    HWND frame = CreateWindowExW(0, L"Static", L"frame", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    const unsigned loadResult = static_cast<unsigned>(WindowsFilterManager().Load(L"zkvolacc"));
    int questionDefault = 0;
    testing::DialogWatcher watcher([&](HWND box) {
        if (GetDlgItem(box, IDYES) == nullptr)
            return testing::DialogWatcher::PostOk(box);
        for (int button : {IDYES, IDNO}) {
            if ((GetWindowLongPtrW(GetDlgItem(box, button), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                questionDefault = button;
        }
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, 0), 0);
    });
    ASSERT_TRUE(watcher.Hooked());
    {
        const InstalledProduct first(kFirstProduct);
        ASSERT_TRUE(first.MarkerPresent());
        RemoveDriverCommand(frame);
        EXPECT_FALSE(first.MarkerPresent());
        InstallDriverCommand(frame);
        EXPECT_TRUE(first.MarkerPresent());
    }

    const struct {
        const wchar_t* caption;
        HWND owner;
        std::wstring text;
    } expected[] = {
        {L"Quillon TrackKit", frame,
         L"Remove the Quillon Orvex Change Block Tracking driver?\r\n\r\n"
         L"This deletes the tracking file of every volume: the next backup of each volume will be a full backup."},
        {L"TrackKit", nullptr, FormatBounded(256, L"Error %x loading filter", loadResult)},
        {L"Quillon TrackKit", frame,
         L"The Quillon Orvex Change Block Tracking driver has been unregistered.\r\n\r\n"
         L"You will need to restart your computer to complete the uninstallation."},
        {L"Quillon TrackKit", frame,
         L"The Quillon Orvex Change Block Tracking driver has been registered.\r\n\r\n"
         L"You will need to restart your computer to complete the installation."},
    };
    ASSERT_EQ(watcher.seen.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(watcher.seen[i].title, expected[i].caption) << i;
        EXPECT_EQ(watcher.seen[i].owner, expected[i].owner) << i;
        EXPECT_EQ(watcher.seen[i].staticTexts, std::vector<std::wstring>{expected[i].text}) << i;
    }
    EXPECT_EQ(watcher.seen[0].buttonIds, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(questionDefault, IDNO);
    DestroyWindow(frame);
}

} // namespace
} // namespace trackkit
