#pragma once

#include <windows.h>

namespace trackkit {

// Opens the modal "CBT Trace Log" dialog owned by `owner` and returns when
// the user closes it.
void ShowTraceLogDialog(HWND owner);

} // namespace trackkit
