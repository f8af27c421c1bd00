#include "tracelog/win32/trace_find_bar.h"

#include <commctrl.h>

#include <memory>

#include "common/win32/window_record.h"
#include "resources/resource_ids.h"

namespace trackkit {
namespace {

constexpr UINT_PTR kBarKeysSubclassId = 1;
constexpr int kFocusableControls[] = {IDC_FIND_BAR_TEXT, IDC_FIND_BAR_MATCH_CASE, IDC_FIND_BAR_NEXT,
                                      IDC_FIND_BAR_PREVIOUS};

struct FindBarRecord {
    static std::unique_ptr<FindBarRecord> Create(HWND bar, LPARAM initParameter)
    {
        auto* host = reinterpret_cast<FindBarHost*>(initParameter);
        if (host == nullptr)
            return nullptr;
        return std::unique_ptr<FindBarRecord>(new FindBarRecord{bar, *host});
    }

    HWND bar;
    FindBarHost& host;
};

std::wstring TextOf(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsBarKey(WPARAM key) { return key == VK_RETURN || key == VK_ESCAPE; }
bool IsDialogKey(WPARAM key) { return key == VK_F3 || key == VK_F5; }

// Enter and Escape would go to the dialog that holds the bar (its default
// button, its Cancel); in the bar they are the bar's. Enter finds the next
// match, or the previous one with Shift or on the "Previous" button.
void PressBarKey(HWND control, WPARAM key)
{
    HWND bar = GetParent(control);
    int command = IDCANCEL;
    if (key == VK_RETURN) {
        const bool backward = GetKeyState(VK_SHIFT) < 0 || GetDlgCtrlID(control) == IDC_FIND_BAR_PREVIOUS;
        command = backward ? IDC_FIND_BAR_PREVIOUS : IDC_FIND_BAR_NEXT;
    }
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

LRESULT CALLBACK BarKeysProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR host)
{
    return HandleWithoutEscaping(
        [&]() -> LRESULT {
            const auto* asked = reinterpret_cast<const MSG*>(lParam);
            switch (message) {
            case WM_GETDLGCODE:
                if (asked != nullptr && (asked->message == WM_KEYDOWN || asked->message == WM_CHAR) &&
                    IsBarKey(asked->wParam))
                    return DefSubclassProc(control, message, wParam, lParam) | DLGC_WANTMESSAGE;
                break;
            case WM_KEYDOWN:
                if (IsBarKey(wParam)) {
                    PressBarKey(control, wParam);
                    return 0;
                }
                if (IsDialogKey(wParam) && reinterpret_cast<FindBarHost*>(host)->PressDialogKey(wParam))
                    return 0;
                break;
            case WM_CHAR:
                if (wParam == L'\r' || wParam == 0x1B)
                    return 0;  // already acted on; a single-line box would only beep
                break;
            case WM_NCDESTROY:
                RemoveWindowSubclass(control, BarKeysProc, kBarKeysSubclassId);
                break;
            }
            return DefSubclassProc(control, message, wParam, lParam);
        },
        LRESULT{0});
}

void ReportFind(const FindBarRecord& record, bool forward)
{
    const FindRequest request = CurrentFindRequest(record.bar);
    record.host.FindNext(request.text, request.matchCase, forward);
}

INT_PTR HandleFindBarMessage(FindBarRecord& record, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        for (const int id : kFocusableControls)
            SetWindowSubclass(GetDlgItem(record.bar, id), BarKeysProc, kBarKeysSubclassId,
                              reinterpret_cast<DWORD_PTR>(&record.host));
        return FALSE;  // made hidden: the focus stays where it is
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FIND_BAR_NEXT: ReportFind(record, true); return TRUE;
        case IDC_FIND_BAR_PREVIOUS: ReportFind(record, false); return TRUE;
        case IDCANCEL: record.host.CloseFindBar(); return TRUE;
        case IDC_FIND_BAR_TEXT:
            if (HIWORD(wParam) == EN_CHANGE)
                SetFindBarNote(record.bar, L"");
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

HWND CreateFindBar(HWND parent, HINSTANCE instance, FindBarHost& host)
{
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_TRACE_FIND_BAR), parent,
                              RecordDialogProc<FindBarRecord, HandleFindBarMessage>, reinterpret_cast<LPARAM>(&host));
}

void ShowFindBar(HWND bar)
{
    ShowWindow(bar, SW_SHOW);
    HWND text = GetDlgItem(bar, IDC_FIND_BAR_TEXT);
    SetFocus(text);
    SendMessageW(text, EM_SETSEL, 0, -1);
}

FindRequest CurrentFindRequest(HWND bar)
{
    return {TextOf(GetDlgItem(bar, IDC_FIND_BAR_TEXT)),
            IsDlgButtonChecked(bar, IDC_FIND_BAR_MATCH_CASE) == BST_CHECKED};
}

void SetFindBarNote(HWND bar, std::wstring_view note)
{
    SetDlgItemTextW(bar, IDC_FIND_BAR_NOTE, std::wstring(note).c_str());
}

} // namespace trackkit
