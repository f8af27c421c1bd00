#include "tracelog/win32/file_chooser.h"

#include <objbase.h>
#include <shobjidl.h>

namespace trackkit {
namespace {

// COM on this thread for as long as the object lives. A thread that has COM
// already keeps it: the call is balanced, never undone.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

// Releases one COM interface when it goes away.
template <typename Interface>
class ComReference {
public:
    ComReference() = default;
    ~ComReference()
    {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface** Receive() { return &pointer_; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// Frees a string that COM allocated.
class CoTaskText {
public:
    CoTaskText() = default;
    ~CoTaskText() { CoTaskMemFree(text_); }
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;

    wchar_t* Get() const { return text_; }
    wchar_t** Receive() { return &text_; }

private:
    wchar_t* text_ = nullptr;
};

} // namespace

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
