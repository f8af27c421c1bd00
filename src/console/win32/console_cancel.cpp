#include "console/win32/console_cancel.h"

#include <windows.h>

namespace trackkit {
namespace {

// The handler runs on a thread of the system's own; the flag is all it touches.
std::atomic<bool> requested{false};

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    requested = true;
    return TRUE;
}

} // namespace

ConsoleCancel::ConsoleCancel()
{
    requested = false;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ConsoleCancel::~ConsoleCancel() { SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

bool ConsoleCancel::Requested() const { return requested; }

} // namespace trackkit
