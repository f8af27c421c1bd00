#pragma once

#include <windows.h>

#include <string>

namespace trackkit {

// Windows' message text for an error code (FormatMessageW, the user's
// language), without the line break that ends it; "Error N." for a code the
// system has no text for.
std::wstring SystemMessageText(DWORD error);

} // namespace trackkit
