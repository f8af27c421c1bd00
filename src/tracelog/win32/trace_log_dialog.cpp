#include "tracelog/win32/trace_log_dialog.h"

namespace trackkit {

void ShowTraceLogDialog(HWND) {}

} // namespace trackkit
