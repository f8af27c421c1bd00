// TrackKit.exe's frame with the real driver, which Wine lacks: rows 1 to 15
// "Unknown", rows 16 and 17 as created, an empty map, and no crash, even
// when a poll finds nothing open.
#include "shell/win32/main_frame.h"

#include <gtest/gtest.h>

#include "blockmap/view_options.h"
#include "blockmap/win32/track_view_window.h"
#include "support/program_shell.h"
#include "support/window_text.h"

namespace trackkit {
namespace {

TEST(RealDriverFrameTest, WithoutTheDriverTheRowsReadUnknownAndTheMapIsEmpty)
{
    testing::PrepareProgramShell();
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 10, 10, 900, 600};
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kCommandRefreshNow, 0), 0);
    for (int row = 1; row <= 17; ++row)
        EXPECT_EQ(testing::ListItemText(Shell().statisticsList, row, 1), row <= 15 ? L"Unknown" : L"0") << "row " << row;
    const TrackViewState& view = *TrackViewStateOf(Shell().trackView);
    EXPECT_TRUE(view.session.bitmap.Empty() && view.session.volume == nullptr);
    DestroyWindow(frame);
}

} // namespace
} // namespace trackkit
