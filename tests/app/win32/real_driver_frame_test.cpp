// TrackKit.exe's frame with the real driver, which Wine lacks, and the driver's
// real service key under HKEY_LOCAL_MACHINE, saved to a scratch key and copied
// back after. The rows' texts, which values check an item and the boxes'
// texts are tested natively.
#include "app/win32/main_frame.h"

#include <gtest/gtest.h>

#include "app/win32/program_driver.h"
#include "blockmap/win32/dialog_watcher.h"
#include "blockmap/win32/track_view_window.h"
#include "support/program_shell.h"

namespace trackkit {
namespace {

constexpr wchar_t kServicePath[] = L"System\\CurrentControlSet\\Services\\qxcbt";
constexpr wchar_t kScratchPath[] = L"Software\\TrackKitTests\\qxcbt";

class RealDriverFrameTest : public ::testing::Test {
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
        for (const wchar_t* name : {L"ExcludeUSB", L"ExcludeVHD"})
            RegDeleteValueW(key_, name);
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

// Rows 1 to 15 read "Unknown", rows 16 and 17 stay as created, the map stays
// empty, even when a poll finds nothing open. The exclusion items show the
// stored settings, and toggling one writes it with its box owned by the frame.
TEST_F(RealDriverFrameTest, WithoutTheDriverTheRowsReadUnknownAndTheMenuShowsAndTogglesTheStoredSettings)
{
    const DWORD five = 5;
    ASSERT_EQ(RegSetValueExW(key_, L"ExcludeUSB", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4), 0);  // no DWORD
    ASSERT_EQ(RegSetValueExW(key_, L"ExcludeVHD", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4), 0);
    testing::ProgramFrame program(ProgramTrackingDriver(), {4, 1000, 0x00D77800, 10, 10, 900, 600});
    HWND frame = program.Create();
    ASSERT_NE(frame, nullptr);
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDM_VIEW_REFRESH_NOW, 0), 0);
    for (int row = 1; row <= 17; ++row)
        EXPECT_EQ(testing::ListItemText(MainFrameWindowsOf(frame).statisticsList, row, 1), row <= 15 ? L"Unknown" : L"0") << "row " << row;
    const TrackViewState& view = *TrackViewStateOf(MainFrameWindowsOf(frame).trackView);
    EXPECT_TRUE(view.session.bitmap.Empty() && view.session.volume == nullptr);

    const auto checked = [&](int item) { return (GetMenuState(GetMenu(frame), item, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    EXPECT_EQ(std::pair(checked(40029), checked(40030)), std::pair(false, true));  // USB, VHD
    testing::DialogWatcher watcher;
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40030, 0), 0);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40027, 0), 0);  // the test prefix has no shadow copy that has gone
    DWORD stored = 1, size = sizeof stored;
    EXPECT_EQ(RegGetValueW(key_, nullptr, L"ExcludeVHD", RRF_RT_REG_DWORD, nullptr, &stored, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::pair(checked(40030), stored), std::pair(false, DWORD{0}));
    ASSERT_EQ(watcher.seen.size(), 2u);
    for (const auto& [i, title, text] : {std::tuple{0, L"TrackKit", L"Quillon Change Block Tracker is set to include VHD"},
             {1, L"Quillon TrackKit", L"Could not find any volume shadow copy devices"}}) {
        EXPECT_EQ(std::pair(watcher.seen[i].title, watcher.seen[i].owner), std::pair(std::wstring(title), frame));
        EXPECT_TRUE(watcher.seen[i].staticTexts.size() == 1 && watcher.seen[i].staticTexts[0].starts_with(text)) << i;
    }
    DestroyWindow(frame);
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {}
}

} // namespace
} // namespace trackkit
