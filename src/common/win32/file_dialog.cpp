#include "common/win32/file_dialog.h"

#include "common/win32/com_objects.h"

namespace trackkit {

std::optional<std::wstring> ShowFileDialog(IFileDialog& dialog, HWND owner, SIGDN nameForm)
{
    if (FAILED(dialog.Show(owner)))  // cancelling is a failure too
        return std::nullopt;
    ComReference<IShellItem> item;
    if (FAILED(dialog.GetResult(item.Receive())))
        return std::nullopt;
    CoTaskText name;
    if (FAILED(item->GetDisplayName(nameForm, name.Receive())) || name.Get() == nullptr)
        return std::nullopt;
    return std::wstring(name.Get());
}

} // namespace trackkit
