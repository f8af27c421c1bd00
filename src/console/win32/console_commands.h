#pragma once

#include "console/console_arguments.h"
#include "console/win32/console_cancel.h"
#include "console/win32/console_output.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

// What a command runs with: the program's tracking driver, its two outputs
// and the user's Ctrl+C.
struct ConsoleContext {
    TrackingDriver& driver;
    ConsoleOutput& out;
    ConsoleOutput& err;
    const ConsoleCancel& cancel;
};

// Runs one command: its answer on standard output (or in the file it names),
// progress on standard error when that is a console. Returns the exit code:
// kExitSuccess, or kExitFailure with the reason on standard error.
int RunConsoleCommand(const ConsoleRequest& request, ConsoleContext& context);

// The whole program: reads the arguments after the program's name, prints
// help or the usage, runs the command. Returns the exit code.
int RunConsoleProgram(int argc, wchar_t** argv, TrackingDriver& driver);

} // namespace trackkit
