#include "shell/win32/shell_windows.h"

namespace trackkit {

ShellWindows& Shell()
{
    static ShellWindows windows;
    return windows;
}

} // namespace trackkit
