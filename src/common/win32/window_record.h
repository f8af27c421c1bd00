#pragma once

#include <windows.h>

#include <memory>

#include "common/win32/message_guard.h"

namespace trackkit {

// The one shape of every window procedure of the program.
//
// A window class keeps a Record per window. The record is made at
// WM_NCCREATE by Record::Create(window, createStruct), which reads what the
// window needs from the creation parameters (lpCreateParams) and returns null
// to refuse the window. Every later message fetches the record once and goes
// to Handle(record, message, wParam, lParam); a message that comes while no
// record is attached goes to DefWindowProc. The record is freed after
// WM_NCDESTROY, the last message a window receives, and no exception ever
// leaves the procedure. A class whose window must answer a message that comes
// before WM_NCCREATE (WM_GETMINMAXINFO does) gives the record a static
// HandleWithoutRecord(window, message, wParam, lParam) for them.
//
//   LRESULT HandlePaneMessage(PaneRecord&, UINT, WPARAM, LPARAM);
//   wc.lpfnWndProc = RecordWindowProc<PaneRecord, HandlePaneMessage>;
template <typename Record>
Record* WindowRecordOf(HWND window)
{
    return reinterpret_cast<Record*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

template <typename Record>
LRESULT AttachWindowRecord(HWND window, LPARAM lParam)
{
    std::unique_ptr<Record> record = Record::Create(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
    if (!record)
        return FALSE;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record.release()));
    return DefWindowProcW(window, WM_NCCREATE, 0, lParam);
}

template <typename Record>
void FreeWindowRecord(HWND window)
{
    std::unique_ptr<Record> record(WindowRecordOf<Record>(window));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

// What a message's handling returns when it failed: WM_CREATE's -1 and
// WM_NCCREATE's FALSE refuse the window; anything else reads as handled.
inline LRESULT AbandonedResult(UINT message) { return message == WM_CREATE ? -1 : 0; }

template <typename Record, LRESULT (*Handle)(Record&, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK RecordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping(
        [&]() -> LRESULT {
            if (message == WM_NCCREATE)
                return AttachWindowRecord<Record>(window, lParam);
            Record* record = WindowRecordOf<Record>(window);
            if (record == nullptr) {
                if constexpr (requires { Record::HandleWithoutRecord(window, message, wParam, lParam); })
                    return Record::HandleWithoutRecord(window, message, wParam, lParam);
                else
                    return DefWindowProcW(window, message, wParam, lParam);
            }
            if (message != WM_NCDESTROY)
                return Handle(*record, message, wParam, lParam);
            const LRESULT result = Handle(*record, message, wParam, lParam);
            FreeWindowRecord<Record>(window);
            return result;
        },
        AbandonedResult(message));
}

// The same shape for a dialog: the record is made at WM_INITDIALOG by
// Record::Create(dialog, initParameter) from the dialog's init parameter
// (a dialog that gets no record ends at once with -1, which DialogBoxParamW
// then returns), fetched once per message, FALSE (not handled) while absent,
// freed after WM_NCDESTROY.
template <typename Record>
Record* DialogRecordOf(HWND dialog)
{
    return reinterpret_cast<Record*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

template <typename Record>
bool AttachDialogRecord(HWND dialog, LPARAM initParameter)
{
    // A record that cannot be made (no memory for it) is a refusal too: a
    // modal dialog without one could not even be closed.
    std::unique_ptr<Record> record = HandleWithoutEscaping(
        [&] { return Record::Create(dialog, initParameter); }, std::unique_ptr<Record>());
    if (!record) {
        EndDialog(dialog, -1);
        return false;
    }
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(record.release()));
    return true;
}

template <typename Record, INT_PTR (*Handle)(Record&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK RecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping(
        [&]() -> INT_PTR {
            if (message == WM_INITDIALOG && !AttachDialogRecord<Record>(dialog, lParam))
                return TRUE;
            Record* record = DialogRecordOf<Record>(dialog);
            if (record == nullptr)
                return FALSE;
            const INT_PTR result = Handle(*record, message, wParam, lParam);
            if (message == WM_NCDESTROY) {
                std::unique_ptr<Record> freed(record);
                SetWindowLongPtrW(dialog, DWLP_USER, 0);
            }
            return result;
        },
        INT_PTR{FALSE});
}

} // namespace trackkit
