#include "widgets/win32/about_box.h"

namespace trackkit {

void ShowAboutBox(HWND) {}

} // namespace trackkit
