#pragma once

// While a DialogWatcher exists, each dialog and message box that this thread
// opens is read into `seen` once it has initialised, then handed to `close`,
// which posts what closes it.

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "support/window_text.h"

namespace trackkit::testing {

// What a dialog shows once it has initialised: the texts of its Static
// controls, where not empty, its buttons, and its list view 1006, if any.
struct SeenDialog {
    explicit SeenDialog(HWND dialog)
        : window(dialog), owner(GetWindow(dialog, GW_OWNER)), capture(GetCapture()),
          style(GetWindowLongPtrW(dialog, GWL_STYLE)), title(WindowText(dialog))
    {
        LOGFONTW font{};
        if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font) != 0)
            fontFace = font.lfFaceName;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && !WindowText(child).empty())
                staticTexts.push_back(WindowText(child));
            if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0)
                buttonIds.push_back(GetDlgCtrlID(child));
        }
        HWND list = GetDlgItem(dialog, 1006);
        listStyle = list ? GetWindowLongPtrW(list, GWL_STYLE) : 0;
        wchar_t text[64] = {};
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT;
        header.pszText = text;
        header.cchTextMax = 64;
        for (int column = 0; list && SendMessageW(list, LVM_GETCOLUMNW, column, LPARAM(&header)); ++column)
            columnTitles.emplace_back(text);
        for (int row = 0; list && row < ListView_GetItemCount(list); ++row) {
            rows.emplace_back();
            for (int column = 0; column < static_cast<int>(columnTitles.size()); ++column)
                rows.back().push_back(ListItemText(list, row, column));
        }
    }

    HWND window, owner, capture;  // capture: the mouse capture at that time
    LONG_PTR style, listStyle;
    std::wstring title, fontFace;
    std::vector<std::wstring> staticTexts, columnTitles;
    std::vector<int> buttonIds;
    std::vector<std::vector<std::wstring>> rows;
};

class DialogWatcher {
public:
    explicit DialogWatcher(std::function<void(HWND)> close = [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); })
        : close_(std::move(close)) { current = this; }
    ~DialogWatcher() { UnhookWindowsHookEx(hook_); current = nullptr; }

    std::vector<SeenDialog> seen;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && current != nullptr) {
            current->seen.emplace_back(call->hwnd);
            current->close_(call->hwnd);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    inline static DialogWatcher* current = nullptr;
    std::function<void(HWND)> close_;
    HHOOK hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId());
};

} // namespace trackkit::testing
