#pragma once

// The block-map pane built for real in the test process, in a borderless
// host window that stands in for the main frame: the host records the
// WM_COMMAND messages it receives, a status bar sits below the pane, and the
// View menu comes from the program's own menu resource.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blockmap/win32/track_view_window.h"
#include "resources/resource_ids.h"
#include "scripted_lookup_driver.h"
#include "shell/win32/scripted_program_driver.h"
#include "shell/win32/shell_windows.h"
#include "support/program_shell.h"
#include "support/window_text.h"

namespace trackkit::testing {

inline constexpr int kPaneWidth = 500;
inline constexpr int kPaneHeight = 300;
inline constexpr wchar_t kHostClassName[] = L"TrackKitTestHost";

// The commands the host received, as their wParam.
inline std::vector<WPARAM>& HostCommands()
{
    static std::vector<WPARAM> commands;
    return commands;
}

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        HostCommands().push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A volume as the tracking driver describes it: 64 KiB blocks on 4 KiB
// clusters unless said otherwise.
inline TrackingGeometry Geometry(std::uint32_t blocks, std::uint32_t bytesPerCluster = 4096)
{
    TrackingGeometry geometry;
    geometry.clusterFactor1 = bytesPerCluster == 0 ? 0 : 512;
    geometry.clusterFactor2 = bytesPerCluster / 512;
    geometry.blockCount = blocks;
    geometry.bytesPerBlock = 65536;
    return geometry;
}

inline std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

class PaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::PrepareProgramShell();
        WNDCLASSEXW host{};
        host.cbSize = sizeof(host);
        host.lpfnWndProc = HostProc;
        host.hInstance = Shell().instance;
        host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        host.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        host.lpszClassName = kHostClassName;
        RegisterClassExW(&host);
    }

    void SetUp() override
    {
        ProgramSettings() = AppSettings{4, kPollPaused, 0x00D77800, 0, 0, 0, 0};
        ScriptedLookup() = {};
        HostCommands().clear();
        menu_ = LoadMenuW(Shell().instance, MAKEINTRESOURCEW(IDR_MAIN_MENU));
        ASSERT_NE(menu_, nullptr);
        Shell().mainMenu = menu_;

        host_ = CreateWindowExW(0, kHostClassName, L"TrackKit test host", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                kPaneWidth, kPaneHeight + 40, nullptr, nullptr, Shell().instance, nullptr);
        ASSERT_NE(host_, nullptr);
        Shell().mainFrame = host_;
        Shell().statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L" Ready...", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, host_,
                                            nullptr, Shell().instance, nullptr);
        ASSERT_NE(Shell().statusBar, nullptr);
        pane_ = CreateTrackView(host_, Shell().instance);
        ASSERT_NE(pane_, nullptr);
        Shell().trackView = pane_;
        SetWindowPos(pane_, nullptr, 0, 0, kPaneWidth, kPaneHeight, SWP_NOZORDER);
        // Shown without activation: an activated window is one that Wine
        // leaves to the window manager, and with none under Xvfb, destroying
        // it waits two seconds for a withdrawal that never comes.
        ShowWindow(host_, SW_SHOWNOACTIVATE);
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, 96) << "the expected cells are those of 96 DPI";
    }

    void TearDown() override
    {
        ReleaseCapture();
        if (IsWindow(host_))
            DestroyWindow(host_);
        DestroyMenu(menu_);
        Shell() = ShellWindows{Shell().instance, Shell().heap};
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }

    // Opens a simulated volume in the pane and paints it once. Each call
    // uses a path of its own, since the pane keeps a volume it has open.
    ScriptedSource& OpenVolume(const TrackingGeometry& geometry)
    {
        path_ = L"\\\\.\\T" + std::to_wstring(++volumes_) + L":";
        ScriptedSource& source = ScriptedProgramDriver().AddScriptedVolume(path_, geometry);
        return source;
    }
    void ShowVolume()
    {
        OpenTrackedVolumeInPane(pane_, path_);
        UpdateWindow(pane_);
    }
    ScriptedSource& OpenAndShow(const TrackingGeometry& geometry)
    {
        ScriptedSource& source = OpenVolume(geometry);
        ShowVolume();
        return source;
    }
    VolumeSession& Session() { return *ScriptedProgramDriver().Find(path_); }

    TrackViewState& View()
    {
        TrackViewState* view = TrackViewStateOf(pane_);
        EXPECT_NE(view, nullptr);
        return *view;
    }

    void MoveMouse(int x, int y) { SendMessageW(pane_, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void Click(int x, int y) { SendMessageW(pane_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    std::wstring StatusText() const { return TextOf(Shell().statusBar); }

    HMENU menu_ = nullptr;
    HWND host_ = nullptr;
    HWND pane_ = nullptr;
    std::wstring path_;
    int volumes_ = 0;
};

} // namespace trackkit::testing
