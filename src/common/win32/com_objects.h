#pragma once

#include <windows.h>

#include <objbase.h>

// The owners of what COM hands out: the apartment of a thread, interface
// references and the strings COM allocates.

namespace trackkit {

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
    Interface* Get() const { return pointer_; }
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

} // namespace trackkit
