// TrackKit.exe's frame with the real driver behind it. Under Wine there is no
// tracking driver, so the honest state is what must show: rows 1 to 15
// "Unknown", rows 16 and 17 as created, an empty map, and no crash.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "blockmap/win32/track_view_window.h"
#include "shell/win32/main_frame.h"
#include "shell/win32/shell_windows.h"
#include "support/window_text.h"

namespace trackkit {
namespace {

std::wstring ValueText(int row) { return testing::ListItemText(Shell().statisticsList, row, 1); }

TEST(RealDriverFrameTest, WithoutTheDriverTheRowsReadUnknownAndTheMapIsEmpty)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    Shell().instance = GetModuleHandleW(nullptr);
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 10, 10, 900, 600};
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);

    for (int row = 1; row <= 15; ++row)
        EXPECT_EQ(ValueText(row), L"Unknown") << "row " << row;
    EXPECT_EQ(ValueText(16), L"0");
    EXPECT_EQ(ValueText(17), L"0");
    const TrackViewState* view = TrackViewStateOf(Shell().trackView);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->session.bitmap.Empty());
    EXPECT_EQ(view->session.volume, nullptr);

    // A poll with nothing open still runs and changes nothing.
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40008, 0), 0);
    EXPECT_EQ(ValueText(2), L"Unknown");
    DestroyWindow(frame);
}

} // namespace
} // namespace trackkit
