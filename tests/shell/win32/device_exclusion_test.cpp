// The device exclusion settings against the real registry: the tracking
// driver's service key under HKEY_LOCAL_MACHINE, the program's own menu,
// and once through the main frame with its real message boxes.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "resources/resource_ids.h"
#include "shell/device_maintenance.h"
#include "shell/win32/main_frame.h"
#include "shell/win32/menu_check_marks.h"
#include "shell/win32/registry_service_key.h"
#include "shell/win32/shell_windows.h"
#include "shell/win32/windows_error_text.h"
#include "support/program_shell.h"
#include "support/recording_host.h"

namespace trackkit {
namespace {

constexpr int kUsb = 40029;
constexpr int kVhd = 40030;
constexpr wchar_t kServicePath[] = L"System\\CurrentControlSet\\Services\\qxcbt";
// A key beside the service key that no one creates.
constexpr wchar_t kMissingKeyPath[] = L"System\\CurrentControlSet\\Services\\qxcbt_trackkit_missing_test";

std::vector<BYTE> DwordBytes(DWORD value)
{
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

std::vector<BYTE> StringBytes(const std::wstring& text)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// The real service key with ExcludeUSB and ExcludeVHD under the test's
// control. The key may hold other values of the driver, so only these two
// are touched, and whatever they held before is put back afterwards; a key
// that the test had to create is removed again.
class ServiceKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServicePath, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                  nullptr, &key, &disposition),
                  ERROR_SUCCESS);
        key_.Reset(key);
        createdKey_ = disposition == REG_CREATED_NEW_KEY;
        for (int i = 0; i < 2; ++i) {
            saved_[i] = Query(kNames[i]);
            RegDeleteValueW(key_.Get(), kNames[i]);
        }
        menu_ = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_MENU));
        ASSERT_NE(menu_, nullptr);
    }

    void TearDown() override
    {
        DestroyMenu(menu_);
        for (int i = 0; i < 2; ++i) {
            RegDeleteValueW(key_.Get(), kNames[i]);
            if (saved_[i])
                Set(kNames[i], saved_[i]->type, saved_[i]->bytes);
        }
        key_.Reset();
        if (createdKey_)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServicePath);
    }

    void Set(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) const
    {
        ASSERT_EQ(RegSetValueExW(key_.Get(), name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    std::optional<RawValue> Query(const wchar_t* name) const
    {
        RawValue value;
        value.bytes.resize(64);
        DWORD size = static_cast<DWORD>(value.bytes.size());
        if (RegQueryValueExW(key_.Get(), name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.bytes.resize(size);
        return value;
    }

    bool Checked(int command) const { return (GetMenuState(menu_, command, MF_BYCOMMAND) & MF_CHECKED) != 0; }

    static constexpr const wchar_t* kNames[2] = {L"ExcludeUSB", L"ExcludeVHD"};

    RegistryKey key_;
    bool createdKey_ = false;
    std::optional<RawValue> saved_[2];
    HMENU menu_ = nullptr;

    // Everything but the registry and the menu is recorded.
    struct Messages final : UserMessages {
        std::vector<std::wstring> texts;
        std::vector<MessageIcon> icons;
        void Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override
        {
            EXPECT_EQ(caption, L"TrackKit");
            texts.emplace_back(text);
            icons.push_back(icon);
        }
        void ShowUnowned(std::wstring_view, std::wstring_view, MessageIcon) override { ADD_FAILURE(); }
        bool AskYesNo(std::wstring_view, std::wstring_view) override { ADD_FAILURE() << "question"; return false; }
    };
    RegistryServiceKey serviceKey_;
    MenuCheckMarks checks_{nullptr};
    testing::RecordingDebugLog debug_;
    Messages messages_;
    WindowsErrorText errorText_;

    DeviceExclusionHost Host(ServiceKey& key)
    {
        checks_ = MenuCheckMarks(menu_);
        return {key, checks_, debug_, messages_, errorText_};
    }
};

TEST_F(ServiceKeyTest, OnlyAFourByteDwordIsReadAsASetting)
{
    const struct {
        const char* what;
        DWORD type;
        std::vector<BYTE> bytes;
        bool checked;
    } cases[] = {
        {"REG_DWORD 1", REG_DWORD, DwordBytes(1), true},
        {"REG_SZ \"1\", four bytes", REG_SZ, StringBytes(L"1"), false},
        {"REG_SZ longer than four bytes", REG_SZ, StringBytes(L"TRUE"), false},
        {"REG_DWORD of two bytes", REG_DWORD, {1, 0}, false},
    };
    Set(L"ExcludeVHD", REG_DWORD, DwordBytes(5));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Set(L"ExcludeUSB", c.type, c.bytes);
        debug_.lines.clear();
        CheckMenuItem(menu_, kUsb, MF_BYCOMMAND | (c.checked ? MF_UNCHECKED : MF_CHECKED));
        DeviceExclusionHost host = Host(serviceKey_);

        ReadDeviceExclusions(host);

        EXPECT_EQ(Checked(kUsb), c.checked);
        EXPECT_TRUE(Checked(kVhd)) << "a stored 5";
        const std::vector<std::wstring> expected =
            c.checked ? std::vector<std::wstring>{L"ExcludeUSB=TRUE\n", L"ExcludeVHD=TRUE\n"}
                      : std::vector<std::wstring>{L"*** Failed to query ExcludeUSB\n", L"ExcludeUSB=FALSE\n",
                                                  L"ExcludeVHD=TRUE\n"};
        EXPECT_EQ(debug_.lines, expected);
    }
}

TEST_F(ServiceKeyTest, WithoutTheKeyNothingIsCheckedAndNothingCanBeStored)
{
    RegistryServiceKey missing{kMissingKeyPath};
    CheckMenuItem(menu_, kUsb, MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu_, kVhd, MF_BYCOMMAND | MF_CHECKED);
    DeviceExclusionHost host = Host(missing);

    ReadDeviceExclusions(host);

    EXPECT_FALSE(Checked(kUsb));
    EXPECT_FALSE(Checked(kVhd));
    EXPECT_EQ(debug_.lines,
              (std::vector<std::wstring>{L"*** Failed to open key\n", L"ExcludeUSB=FALSE\n", L"ExcludeVHD=FALSE\n"}));

    ToggleDeviceExclusion(host, kUsb);

    EXPECT_FALSE(Checked(kUsb)) << "nothing was stored, so the item stays as it was";
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_EQ(messages_.icons[0], MessageIcon::Error);
    const std::wstring systemText = WindowsErrorText().Describe(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(messages_.texts[0], L"Could not store the exclusion setting for USB devices.\n\n" + systemText);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMissingKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS)
        << "the key is not created by the attempt";
}

TEST(WindowsErrorTextTest, GivesTheSystemsTextOrTheNumber)
{
    WindowsErrorText errors;
    const std::wstring known = errors.Describe(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known.back(), L'\n') << "the closing line break is taken off";
    EXPECT_EQ(known.find(L"Error 5"), std::wstring::npos);
    EXPECT_EQ(errors.Describe(0x2000FFFFu), L"Error 536936447.");
}

// The frame reads the settings while it is created, and its File menu
// commands show their real message boxes, owned by the frame.
TEST_F(ServiceKeyTest, TheMainFrameShowsAndTogglesTheStoredSettings)
{
    testing::PrepareProgramShell();
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 10, 10, 900, 600};
    Set(L"ExcludeUSB", REG_DWORD, DwordBytes(1));
    Set(L"ExcludeVHD", REG_DWORD, DwordBytes(5));
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    HMENU menu = GetMenu(frame);

    EXPECT_TRUE(GetMenuState(menu, kUsb, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, kVhd, MF_BYCOMMAND) & MF_CHECKED);

    testing::DialogWatcher watcher;
    ASSERT_TRUE(watcher.Hooked());
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kVhd, 0), 0);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40027, 0), 0);

    EXPECT_FALSE(GetMenuState(menu, kVhd, MF_BYCOMMAND) & MF_CHECKED);
    const std::optional<RawValue> vhd = Query(L"ExcludeVHD");
    ASSERT_TRUE(vhd);
    EXPECT_EQ(vhd->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(vhd->bytes, DwordBytes(0));
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
