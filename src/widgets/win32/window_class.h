#pragma once

#include <windows.h>

namespace trackkit {

// The module that holds this code, where its window classes are registered.
HINSTANCE WidgetsModule();

// Registers a widget class unless the module already knows it: class style
// CS_VREDRAW | CS_HREDRAW | CS_OWNDC, arrow cursor, the stock null brush (the
// window paints everything itself), no extra bytes. False when registration
// fails.
bool RegisterWidgetClass(const wchar_t* name, WNDPROC procedure);

// Whether a window is of a class whose window procedure is `procedure`: the
// check before a window's user data is taken for a record of ours.
bool HasClassProcedure(HWND window, WNDPROC procedure);

} // namespace trackkit
