#pragma once

#include <windows.h>

#include <string_view>

namespace trackkit {

// Standard output or standard error as the program's user gets it: a
// console is written through WriteConsoleW, so that every character shows
// whatever the console's code page; a file or pipe gets UTF-8.
class ConsoleOutput {
public:
    explicit ConsoleOutput(DWORD standardHandle);

    bool IsConsole() const { return console_; }
    void Write(std::wstring_view text);
    // UTF-8 text as it is (JSON): to a console through WriteConsoleW as well.
    void WriteUtf8(std::string_view text);

private:
    HANDLE handle_;
    bool console_;
};

} // namespace trackkit
