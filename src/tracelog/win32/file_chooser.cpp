#include "tracelog/win32/file_chooser.h"

#include <shobjidl.h>

#include "common/win32/com_objects.h"

namespace trackkit {

std::optional<std::wstring> ChooseExistingFile(HWND owner)
{
    const ComApartment apartment;
    ComReference<IFileDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                dialog.ReceiveVoid())))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)) || FAILED(dialog->SetOptions(options | FOS_FILEMUSTEXIST)))
        return std::nullopt;
    if (FAILED(dialog->Show(owner)))  // cancelling is a failure too
        return std::nullopt;
    ComReference<IShellItem> item;
    if (FAILED(dialog->GetResult(item.Receive())))
        return std::nullopt;
    CoTaskText name;
    if (FAILED(item->GetDisplayName(SIGDN_DESKTOPABSOLUTEPARSING, name.Receive())) || name.Get() == nullptr)
        return std::nullopt;
    return std::wstring(name.Get());
}

} // namespace trackkit
