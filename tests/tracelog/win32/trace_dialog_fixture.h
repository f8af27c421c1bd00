#pragma once

// The trace log dialog opened without a modal loop, on a log of five known
// records, and the ways the tests read it back.
//
// Dialogs are left open to the end of the test process: under Wine, with no
// window manager on the virtual display, destroying a shown top-level window
// costs about two seconds.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "support/window_text.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_location.h"
#include "win32/temp_folder.h"

namespace trackkit::testing {

// 2024-03-05 13:45:30 as a FILETIME, and seconds after it.
constexpr std::uint64_t kBaseTime = 133541199300000000ull;
constexpr std::uint64_t Seconds(std::uint64_t s) { return kBaseTime + s * 10000000ull; }

inline TraceRecord Record(std::uint64_t seconds, std::uint32_t device, std::uint32_t thread, std::uint32_t flags,
                          const char* function, std::int32_t line, std::uint32_t status, char16_t drive)
{
    TraceRecord record = MakeRecord(Seconds(seconds), device, thread, flags, function);
    record.lineNumber = line;
    record.status = status;
    record.driveLetter = drive;
    return record;
}

// In file order; listed in time order they are 1, 2, 4, 0, 3.
inline std::vector<TraceRecord> KnownRecords()
{
    const char* longName = "CbtFunctionNameThatFillsAllSixtyFourBytesOfItsFieldWithoutAnEnd!";
    return {
        Record(300, 2, 0x1A4, 0x40001000, "CbtWrite", 120, 0x00000000, u'C'),           // green
        Record(100, 12345, 0x2B0, 0x80001004, "CbtShutdown", -42, 0xC0000022, u'D'),     // red, shadow copy
        Record(200, 10, 0x1A4, 0x00000000, longName, 7, 0x20000000, 0),                  // plain
        Record(400, 1, 0x3C8, 0xFFFFFFFB, "CbtFlush", 9, 0x00000103, u'E'),              // red, all names but one
        Record(250, 10, 0x2B0, 0x00001000, "CbtRead", 8, 0x00000000, u'C'),              // green
    };
}

inline void WriteLog(const std::wstring& path, const std::vector<TraceRecord>& records)
{
    const std::vector<std::uint8_t> bytes = TraceLogBytes(records);
    test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

inline HWND OpenTraceDialog()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr,
                                     TraceLogDialogProc, 0);
    if (dialog != nullptr)
        ShowWindow(dialog, SW_SHOW);
    return dialog;
}

inline std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

inline HWND Table(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_TABLE); }
inline HWND DeviceFilter(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER); }
inline HWND ThreadFilter(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER); }

inline int RowCount(HWND dialog) { return static_cast<int>(SendMessageW(Table(dialog), LVM_GETITEMCOUNT, 0, 0)); }

inline std::wstring Cell(HWND dialog, int row, int column) { return ListItemText(Table(dialog), row, column); }

// One column of every row, top to bottom.
inline std::vector<std::wstring> Column(HWND dialog, int column)
{
    std::vector<std::wstring> texts;
    for (int row = 0; row < RowCount(dialog); ++row)
        texts.push_back(Cell(dialog, row, column));
    return texts;
}

inline constexpr int kFlagsColumn = 7;
inline constexpr int kThreadIdColumn = 8;

inline std::vector<std::wstring> ListTexts(HWND combo)
{
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 128)
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
    }
    return texts;
}

inline std::wstring SelectedText(HWND combo)
{
    const auto texts = ListTexts(combo);
    const auto selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return selected >= 0 && static_cast<std::size_t>(selected) < texts.size() ? texts[selected] : L"";
}

// Selects a filter text as the user would: the list tells the dialog.
inline void ChooseFilter(HWND dialog, HWND combo, const std::wstring& text)
{
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// The row whose Flags column reads `flags`; -1 when there is none.
inline int RowWithFlags(HWND dialog, const std::wstring& flags)
{
    const auto column = Column(dialog, kFlagsColumn);
    for (std::size_t row = 0; row < column.size(); ++row)
        if (column[row] == flags)
            return static_cast<int>(row);
    return -1;
}

inline LPARAM ItemParameter(HWND dialog, int row)
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(Table(dialog), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

} // namespace trackkit::testing
