#include "app/win32/run_application.h"

#include <commctrl.h>

#include "app/win32/main_frame.h"
#include "settings/win32/registry_store.h"
#include "app/win32/shell_windows.h"
#include "settings/win32/theme_library.h"

namespace trackkit {
namespace {

void LoadProgramSettings()
{
    RegistryStore store;
    LoadSettings(ProgramSettings(), store, GetSysColor(COLOR_HIGHLIGHT));
}

void SaveProgramSettings()
{
    RegistryStore store;
    SaveSettings(ProgramSettings(), store);
}

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
    ProgramTheme().OnStart();
    LoadProgramSettings();
    Shell().instance = instance;
    Shell().heap = GetProcessHeap();
    EnablePrivilege(L"SeBackupPrivilege");
    EnablePrivilege(L"SeLoadDriverPrivilege");
    InitializeCommonControls();
    if (!RegisterMainFrameClass(instance))
        return 0;
    HWND frame = CreateMainFrame(instance);
    if (frame == nullptr)
        return 0;
    ShowWindow(frame, showCommand);
    Shell().mainFrame = frame;
    const WPARAM exitCode = RunMessageLoop();
    SaveProgramSettings();
    return static_cast<int>(exitCode);
}

} // namespace trackkit
