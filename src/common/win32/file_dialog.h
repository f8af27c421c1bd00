#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <optional>
#include <string>

namespace trackkit {

// Shows a shell file dialog (open or save) owned by `owner` and gives the
// chosen item's name in the form asked for; nothing when the user cancels
// or any step fails. The caller has set the dialog's options.
std::optional<std::wstring> ShowFileDialog(IFileDialog& dialog, HWND owner, SIGDN nameForm);

} // namespace trackkit
