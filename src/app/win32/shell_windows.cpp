#include "app/win32/shell_windows.h"

namespace trackkit {

ShellWindows& Shell()
{
    static ShellWindows windows;
    return windows;
}

AppSettings& ProgramSettings()
{
    static AppSettings settings;
    return settings;
}

} // namespace trackkit
