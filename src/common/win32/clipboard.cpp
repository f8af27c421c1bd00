#include "common/win32/clipboard.h"

#include <cstring>

#include "common/win32/unique_handles.h"

namespace trackkit {
namespace {

void FreeGlobalMemory(HGLOBAL memory) { GlobalFree(memory); }
using UniqueGlobalMemory = UniqueResource<NullableHandleTraits<HGLOBAL, FreeGlobalMemory>>;

// The clipboard is open while the object lives.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : opened_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard()
    {
        if (opened_)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool Opened() const { return opened_; }

private:
    bool opened_;
};

// Movable memory holding the text and its terminator, as the clipboard takes it.
UniqueGlobalMemory GlobalText(std::wstring_view text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory)
        return memory;
    auto* chars = static_cast<wchar_t*>(GlobalLock(memory.Get()));
    if (chars == nullptr)
        return {};
    std::memcpy(chars, text.data(), text.size() * sizeof(wchar_t));
    chars[text.size()] = L'\0';
    GlobalUnlock(memory.Get());
    return memory;
}

} // namespace

bool CopyTextToClipboard(HWND owner, std::wstring_view text)
{
    UniqueGlobalMemory memory = GlobalText(text);
    if (!memory)
        return false;
    const OpenedClipboard clipboard(owner);
    if (!clipboard.Opened() || !EmptyClipboard())
        return false;
    if (SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr)
        return false;
    memory.Release();  // the clipboard owns it now
    return true;
}

} // namespace trackkit
