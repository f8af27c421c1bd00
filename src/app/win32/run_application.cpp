#include "app/win32/run_application.h"

#include <commctrl.h>

#include "app/win32/main_frame.h"
#include "app/win32/program_driver.h"
#include "common/win32/privileges.h"
#include "settings/win32/registry_store.h"
#include "settings/win32/theme_library.h"
#include "tracking/win32/virtual_bitmap_memory.h"

namespace trackkit {
namespace {

void InitializeCommonControls()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
}

WPARAM RunMessageLoop()
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.wParam;
}

} // namespace

int RunApplication(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    // Loaded beside the executable; it stays loaded until every window is gone.
    const ThemeLibrary theme(ProgramFolder());
    theme.OnStart();
    AppSettings settings = LoadProgramSettings();
    EnablePrivilege(L"SeBackupPrivilege");
    EnablePrivilege(L"SeLoadDriverPrivilege");
    InitializeCommonControls();
    if (!RegisterMainFrameClass(instance))
        return 0;
    VirtualBitmapMemory bitmapMemory;
    const MainFrameCreation creation{settings, ProgramTrackingDriver(), bitmapMemory, theme};
    HWND frame = CreateMainFrame(instance, creation);
    if (frame == nullptr)
        return 0;
    ShowWindow(frame, showCommand);
    const WPARAM exitCode = RunMessageLoop();
    SaveProgramSettings(settings);
    return static_cast<int>(exitCode);
}

} // namespace trackkit
