#pragma once

#include <windows.h>

namespace trackkit {

// Opens the modal About box owned by `owner` and returns when it closes.
void ShowAboutBox(HWND owner);

} // namespace trackkit
