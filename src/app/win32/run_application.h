#pragma once

#include <windows.h>

namespace trackkit {

// The program: start-up, the main frame, the message loop and the settings
// saved at the end. Returns the exit code. The command line is ignored.
int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);

} // namespace trackkit
