#pragma once

// While a DialogWatcher exists, each dialog and message box that this thread opens is read into `seen` once it
// has initialised, then handed to `close`, which posts what closes it.

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "support/window_text.h"

namespace trackkit::testing {

// What a dialog shows once it has initialised: the texts of its Static controls, where not empty, its buttons,
// and its list view 1006, if any.
struct SeenDialog {
    explicit SeenDialog(HWND dialog)
        : window(dialog), owner(GetWindow(dialog, GW_OWNER)), capture(GetCapture()),
          style(GetWindowLongPtrW(dialog, GWL_STYLE)),
          listStyle(GetWindowLongPtrW(GetDlgItem(dialog, 1006), GWL_STYLE)), title(WindowText(dialog))
    {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
        fontFace = font.lfFaceName;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && !WindowText(child).empty())
                staticTexts.push_back(WindowText(child));
            if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0)
                buttonIds.push_back(GetDlgCtrlID(child));
        }
        HWND list = GetDlgItem(dialog, 1006);  // messages to no window answer 0
        wchar_t text[64] = {};
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT;
        header.pszText = text;
        header.cchTextMax = 64;
        while (SendMessageW(list, LVM_GETCOLUMNW, columnTitles.size(), LPARAM(&header)))
            columnTitles.emplace_back(text);
        rows.resize(ListView_GetItemCount(list));
        for (std::size_t row = 0; row < rows.size(); ++row)
            for (std::size_t column = 0; column < columnTitles.size(); ++column)
                rows[row].push_back(ListItemText(list, int(row), int(column)));
    }

    HWND window, owner, capture;  // capture: the mouse capture at that time
    LONG_PTR style, listStyle;
    std::wstring title, fontFace;
    std::vector<std::wstring> staticTexts, columnTitles;
    std::vector<int> buttonIds;
    std::vector<std::vector<std::wstring>> rows;
};

struct DialogWatcher {
    explicit DialogWatcher(std::function<void(HWND)> close = [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); })
        : close_(std::move(close)) { current = this; }
    ~DialogWatcher() { UnhookWindowsHookEx(hook_); current = nullptr; }

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        // Dialog boxes only: a child dialog (a bar inside one) is part of its box.
        const bool box = (GetWindowLongPtrW(call->hwnd, GWL_STYLE) & WS_CHILD) == 0;
        if (code == HC_ACTION && call->message == WM_INITDIALOG && box && current != nullptr)
            current->close_(current->seen.emplace_back(call->hwnd).window);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    std::vector<SeenDialog> seen;
    inline static DialogWatcher* current = nullptr;
    std::function<void(HWND)> close_;
    HHOOK hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId());
};

} // namespace trackkit::testing
