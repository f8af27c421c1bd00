#pragma once

#include <windows.h>

#include <string_view>

namespace trackkit {

// Puts the text on the clipboard as Unicode text, in place of what it held,
// on behalf of `owner`. False when the clipboard is busy or memory ran out.
bool CopyTextToClipboard(HWND owner, std::wstring_view text);

} // namespace trackkit
