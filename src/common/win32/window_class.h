#pragma once

#include <windows.h>

namespace trackkit {

// The module that holds this code, where the program's window classes are
// registered: right whether the code ends up in the executable or in a
// library of its own.
HINSTANCE CodeModule();

// A window class of ours. Every one has the arrow cursor and the stock null
// brush (the window paints all of itself) and no extra bytes.
struct WindowClassTraits {
    const wchar_t* name = nullptr;
    WNDPROC procedure = nullptr;
    UINT style = 0;
    HINSTANCE instance = nullptr;  // null: CodeModule()
    HICON icon = nullptr;
    const wchar_t* menu = nullptr;
};

// Registers the class unless the module knows it already (classes are
// registered lazily, before their first window). False when registration
// fails.
bool RegisterWindowClassOnce(const WindowClassTraits& traits);

// Whether a window is of a class whose window procedure is `procedure`: the
// check before a window's user data is taken for a record of ours.
bool HasClassProcedure(HWND window, WNDPROC procedure);

} // namespace trackkit
