#pragma once

#include <atomic>

namespace trackkit {

// Ctrl+C and Ctrl+Break, for as long as this lives, ask the running command
// to stop instead of ending the process: the command then stops where the
// window's Cancel would, and nothing is left half-written.
class ConsoleCancel {
public:
    ConsoleCancel();
    ~ConsoleCancel();
    ConsoleCancel(const ConsoleCancel&) = delete;
    ConsoleCancel& operator=(const ConsoleCancel&) = delete;

    bool Requested() const;
};

} // namespace trackkit
