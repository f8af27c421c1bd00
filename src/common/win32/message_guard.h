#pragma once

#include <windows.h>

namespace trackkit {

// Runs one message's handling so that no exception unwinds into the system's
// code, which cannot pass it on: a handling that fails (in practice, memory
// that ran out while a list or text grew) is abandoned with `abandoned` as
// the message's result, and the debugger output says so. Every window,
// dialog and subclass procedure of the program goes through it.
template <typename Result, typename Handling>
Result HandleWithoutEscaping(Handling&& handling, Result abandoned) noexcept
{
    try {
        return handling();
    } catch (...) {
        OutputDebugStringW(L"*** A window message was abandoned: its handling failed\n");
        return abandoned;
    }
}

} // namespace trackkit
