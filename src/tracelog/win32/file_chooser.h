#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace trackkit {

// The full path of an existing file that the user picks in the shell's
// file-open dialog, owned by `owner`; nothing when the user cancels or any
// step fails. COM is initialised (single-threaded apartment) for the time
// of the call only.
std::optional<std::wstring> ChooseExistingFile(HWND owner);

} // namespace trackkit
