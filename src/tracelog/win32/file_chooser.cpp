#include "tracelog/win32/file_chooser.h"

#include <shobjidl.h>

#include "common/win32/com_objects.h"
#include "common/win32/file_dialog.h"

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
    return ShowFileDialog(*dialog.Get(), owner, SIGDN_DESKTOPABSOLUTEPARSING);
}

} // namespace trackkit
