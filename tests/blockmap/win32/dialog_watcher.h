#pragma once

// Watches for the modal dialogs and message boxes that this thread opens:
// when one has initialised, its contents are read and it is told how to
// close, by messages posted to it. The dialog's own message loop then
// closes it, and the call that opened it returns.

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "support/window_text.h"

namespace trackkit::testing {

// What a dialog showed once it had initialised.
struct SeenDialog {
    HWND window = nullptr;
    std::wstring title;
    LONG_PTR style = 0;
    std::wstring fontFace;
    HWND owner = nullptr;
    HWND capture = nullptr;                  // the mouse capture at that time
    std::vector<std::wstring> staticTexts;   // non-empty texts of its Static controls
    std::vector<int> buttonIds;
    // Its list view 1006, when there is one.
    LONG_PTR listStyle = 0;
    LONG_PTR listExStyle = 0;
    LRESULT listExtendedStyle = 0;
    std::vector<std::wstring> columnTitles;
    std::vector<int> columnWidths;
    std::vector<std::vector<std::wstring>> rows;
};

inline std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

inline void ReadList(HWND list, SeenDialog& seen)
{
    seen.listStyle = GetWindowLongPtrW(list, GWL_STYLE);
    seen.listExStyle = GetWindowLongPtrW(list, GWL_EXSTYLE);
    seen.listExtendedStyle = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < columns; ++column) {
        wchar_t title[64] = {};
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT;
        info.pszText = title;
        info.cchTextMax = 64;
        SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
        seen.columnTitles.emplace_back(title);
        seen.columnWidths.push_back(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)));
    }
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::vector<std::wstring> texts;
        for (int column = 0; column < columns; ++column)
            texts.push_back(ListItemText(list, row, column));
        seen.rows.push_back(std::move(texts));
    }
}

inline SeenDialog ReadDialog(HWND dialog)
{
    SeenDialog seen;
    seen.window = dialog;
    seen.title = WindowText(dialog);
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.style = GetWindowLongPtrW(dialog, GWL_STYLE);
    LOGFONTW font{};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (handle != nullptr && GetObjectW(handle, sizeof(font), &font) != 0)
        seen.fontFace = font.lfFaceName;
    seen.capture = GetCapture();
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (_wcsicmp(name, L"Static") == 0 && !WindowText(child).empty())
            seen.staticTexts.push_back(WindowText(child));
        if (_wcsicmp(name, L"Button") == 0)
            seen.buttonIds.push_back(GetDlgCtrlID(child));
    }
    if (HWND list = GetDlgItem(dialog, 1006); list != nullptr)
        ReadList(list, seen);
    return seen;
}

// While it exists, every dialog that finishes WM_INITDIALOG on this thread
// is read into `seen` and then handed to `close`, which posts what closes it.
class DialogWatcher {
public:
    explicit DialogWatcher(std::function<void(HWND)> close = PostOk) : close_(std::move(close))
    {
        Current() = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId());
    }
    ~DialogWatcher()
    {
        if (hook_ != nullptr)
            UnhookWindowsHookEx(hook_);
        Current() = nullptr;
    }
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    bool Hooked() const { return hook_ != nullptr; }

    static void PostOk(HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); }

    std::vector<SeenDialog> seen;

private:
    static DialogWatcher*& Current()
    {
        static DialogWatcher* current = nullptr;
        return current;
    }

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        DialogWatcher* watcher = Current();
        if (code == HC_ACTION && call != nullptr && call->message == WM_INITDIALOG && watcher != nullptr) {
            watcher->seen.push_back(ReadDialog(call->hwnd));
            watcher->close_(call->hwnd);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    std::function<void(HWND)> close_;
    HHOOK hook_ = nullptr;
};

} // namespace trackkit::testing
