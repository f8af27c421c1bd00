// The device exclusion settings against the real registry: the service key
// on a scratch key of the current user, then the main frame on the tracking
// driver's own key, with its real message boxes. Which values check an item
// is tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "shell/win32/main_frame.h"
#include "shell/win32/registry_service_key.h"
#include "shell/win32/shell_windows.h"
#include "shell/win32/windows_error_text.h"
#include "support/program_shell.h"

namespace trackkit {
namespace {

constexpr int kUsb = 40029;
constexpr int kVhd = 40030;
constexpr wchar_t kScratchPath[] = L"Software\\TrackKitTests\\qxcbt";
constexpr wchar_t kServicePath[] = L"System\\CurrentControlSet\\Services\\qxcbt";

void SetValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* bytes, DWORD size)
{
    ASSERT_EQ(RegSetKeyValueW(root, path, name, type, bytes, size), ERROR_SUCCESS) << name;
}

TEST(RegistryServiceKeyTest, PassesOnWhatTheRegistryReportsAndWritesDwords)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchPath);
    RegistryServiceKey key(kScratchPath, HKEY_CURRENT_USER);
    EXPECT_FALSE(key.OpenForQuery());
    EXPECT_EQ(key.WriteDword(L"ExcludeUSB", 1), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kScratchPath, 0, KEY_READ, &probe), ERROR_SUCCESS)
        << "the key is not created by the attempt";

    const DWORD five = 5;
    SetValue(HKEY_CURRENT_USER, kScratchPath, L"Dword", REG_DWORD, &five, 4);
    SetValue(HKEY_CURRENT_USER, kScratchPath, L"Short", REG_DWORD, &five, 2);
    SetValue(HKEY_CURRENT_USER, kScratchPath, L"Text", REG_SZ, L"1", 4);
    SetValue(HKEY_CURRENT_USER, kScratchPath, L"Long", REG_SZ, L"TRUE", 10);
    ASSERT_TRUE(key.OpenForQuery());
    const struct {
        const wchar_t* name;
        ServiceValue value;
    } cases[] = {
        {L"Dword", {true, REG_DWORD, 4, 5}},
        {L"Short", {true, REG_DWORD, 2, 5}},
        {L"Text", {true, REG_SZ, 4, 0x31}},  // L"1" with its NUL
        {L"Long", {false, REG_SZ, 10, 0}},
    };
    for (const auto& c : cases) {
        const ServiceValue value = key.Query(c.name);
        EXPECT_EQ(value.read, c.value.read) << c.name;
        EXPECT_EQ(value.type, c.value.type) << c.name;
        EXPECT_EQ(value.size, c.value.size) << c.name;
        if (c.value.read) {
            EXPECT_EQ(value.number, c.value.number) << c.name;
        }
    }
    EXPECT_FALSE(key.Query(L"Missing").read);
    key.Close();

    EXPECT_EQ(key.WriteDword(L"Text", 0), 0u);
    ASSERT_TRUE(key.OpenForQuery());
    const ServiceValue written = key.Query(L"Text");
    EXPECT_EQ(written.type, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(written.number, 0u);
    key.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TrackKitTests");
}

TEST(WindowsErrorTextTest, GivesTheSystemsTextOrTheNumber)
{
    const std::wstring known = WindowsErrorText().Describe(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known.back(), L'\n') << "the closing line break is taken off";
    EXPECT_EQ(WindowsErrorText().Describe(0x2000FFFFu), L"Error 536936447.");
}

// The driver's service key with ExcludeUSB and ExcludeVHD as the test sets
// them; whatever they held before is put back.
class ServiceKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServicePath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                                  &disposition_),
                  ERROR_SUCCESS);
        for (int i = 0; i < 2; ++i) {
            saved_[i].resize(64);
            DWORD size = 64;
            if (RegQueryValueExW(key_, kNames[i], nullptr, &types_[i], saved_[i].data(), &size) == ERROR_SUCCESS)
                saved_[i].resize(size);
            else
                saved_[i].clear();
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) {
            RegDeleteValueW(key_, kNames[i]);
            if (!saved_[i].empty())
                RegSetValueExW(key_, kNames[i], 0, types_[i], saved_[i].data(), static_cast<DWORD>(saved_[i].size()));
        }
        RegCloseKey(key_);
        if (disposition_ == REG_CREATED_NEW_KEY)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServicePath);
    }

    static constexpr const wchar_t* kNames[2] = {L"ExcludeUSB", L"ExcludeVHD"};
    HKEY key_ = nullptr;
    DWORD disposition_ = 0;
    DWORD types_[2] = {};
    std::vector<BYTE> saved_[2];
};

// The frame reads the settings while it is created, and its File menu
// commands show their real message boxes, owned by the frame.
TEST_F(ServiceKeyTest, TheMainFrameShowsAndTogglesTheStoredSettings)
{
    testing::PrepareProgramShell();
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 10, 10, 900, 600};
    const DWORD five = 5;
    SetValue(HKEY_LOCAL_MACHINE, kServicePath, L"ExcludeUSB", REG_SZ, L"1", 4);  // four bytes, but no DWORD
    SetValue(HKEY_LOCAL_MACHINE, kServicePath, L"ExcludeVHD", REG_DWORD, &five, 4);
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    HMENU menu = GetMenu(frame);
    EXPECT_FALSE(GetMenuState(menu, kUsb, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, kVhd, MF_BYCOMMAND) & MF_CHECKED);

    testing::DialogWatcher watcher;
    ASSERT_TRUE(watcher.Hooked());
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kVhd, 0), 0);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40027, 0), 0);

    EXPECT_FALSE(GetMenuState(menu, kVhd, MF_BYCOMMAND) & MF_CHECKED);
    DWORD stored = 1;
    DWORD size = sizeof stored;
    EXPECT_EQ(RegGetValueW(key_, nullptr, L"ExcludeVHD", RRF_RT_REG_DWORD, nullptr, &stored, &size), ERROR_SUCCESS);
    EXPECT_EQ(stored, 0u);
    ASSERT_EQ(watcher.seen.size(), 2u);
    EXPECT_EQ(watcher.seen[0].title, L"TrackKit");
    EXPECT_EQ(watcher.seen[0].owner, frame);
    EXPECT_EQ(watcher.seen[0].staticTexts,
              (std::vector<std::wstring>{L"Quillon Change Block Tracker is set to include VHD/VHDX devices.\n"
                                         L"The changes will take effect the next time you restart Windows."}));
    // The test prefix has no volume shadow copy that has gone.
    EXPECT_EQ(watcher.seen[1].title, L"Quillon TrackKit");
    EXPECT_EQ(watcher.seen[1].owner, frame);
    EXPECT_EQ(watcher.seen[1].staticTexts,
              (std::vector<std::wstring>{L"Could not find any volume shadow copy devices that are not in use."}));
    DestroyWindow(frame);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
}

} // namespace
} // namespace trackkit
