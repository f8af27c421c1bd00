#include "tracelog/win32/trace_log_commands.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "common/win32/clipboard.h"
#include "common/win32/wait_cursor.h"
#include "resources/resource_ids.h"
#include "tracelog/trace_export.h"
#include "tracelog/win32/trace_export_job.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_export.h"
#include "tracelog/win32/trace_log_table.h"

namespace trackkit {
namespace {

// Where the bar sits, in dialog units: right of the ThreadId list.
constexpr RECT kFindBarPlace{252, 38, 552, 52};

// The columns in the order the user sees them (headers can be dragged).
std::vector<TraceColumn> ShownColumns(HWND table)
{
    int order[kTraceColumnCount] = {};
    std::vector<TraceColumn> columns;
    if (!SendMessageW(table, LVM_GETCOLUMNORDERARRAY, kTraceColumnCount, reinterpret_cast<LPARAM>(order)))
        for (std::size_t i = 0; i < kTraceColumnCount; ++i)
            order[i] = static_cast<int>(i);
    for (const int column : order)
        columns.push_back(static_cast<TraceColumn>(column));
    return columns;
}

std::vector<std::uint32_t> SelectedRecords(const TraceLogDialogState& state)
{
    std::vector<std::uint32_t> records;
    int item = -1;
    while ((item = static_cast<int>(SendMessageW(state.table, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                                 LVNI_SELECTED))) >= 0) {
        if (static_cast<std::size_t>(item) < state.log->rows.size())
            records.push_back(state.log->rows[static_cast<std::size_t>(item)]);
    }
    return records;
}

// The found row becomes the one selected, focused row, scrolled into view.
void SelectOnly(HWND table, std::size_t row)
{
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(table, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(table, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    SendMessageW(table, LVM_ENSUREVISIBLE, row, FALSE);
}

void SayInStatus(const TraceLogDialogState& state, const std::wstring& text)
{
    SetWindowTextW(state.statusLine, text.c_str());
}

} // namespace

void TraceLogDialogState::FindNext(std::wstring_view text, bool matchCase, bool forward)
{
    if (!log || text.empty())
        return;
    const WaitCursor wait;
    const auto focused = SendMessageW(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    const std::size_t from = focused >= 0 ? static_cast<std::size_t>(focused) : log->rows.size();
    // A search through millions of rows that match nothing takes a while:
    // Escape stops it.
    const auto progress = [](std::size_t, std::size_t) { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) == 0; };
    const std::optional<std::size_t> found =
        FindRow(log->index, log->rows, from, forward, text, matchCase, timeText, progress);
    if (found)
        SelectOnly(table, *found);
    SayNotFound(findBar, !found);
}

void TraceLogDialogState::CloseFindBar()
{
    ShowWindow(findBar, SW_HIDE);
    SetFocus(table);
}

void CreateTraceFindBar(TraceLogDialogState& state)
{
    state.findBar = CreateFindBar(state.dialog, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(state.dialog, GWLP_HINSTANCE)), state);
    if (state.findBar == nullptr)
        return;
    RECT place = kFindBarPlace;
    MapDialogRect(state.dialog, &place);
    // Tab reaches the bar right after the table.
    SetWindowPos(state.findBar, state.table, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOACTIVATE);
}

void OpenFindBar(TraceLogDialogState& state)
{
    if (state.findBar != nullptr)
        ShowFindBar(state.findBar);
}

void FindAgain(TraceLogDialogState& state, bool forward)
{
    if (state.findBar == nullptr)
        return;
    const FindRequest request = CurrentFindRequest(state.findBar);
    if (request.text.empty())
        OpenFindBar(state);
    else
        state.FindNext(request.text, request.matchCase, forward);
}

void CopySelectedRows(TraceLogDialogState& state)
{
    if (!state.log)
        return;
    const WaitCursor wait;
    const std::vector<std::uint32_t> records = SelectedRecords(state);
    if (records.empty())
        return;
    const std::vector<TraceColumn> columns = ShownColumns(state.table);
    CopyTextToClipboard(state.dialog, TabSeparatedRows(state.log->index, records, columns, state.timeText));
}

void SaveListedRows(TraceLogDialogState& state)
{
    if (!state.log || state.loader || state.exportJob)
        return;
    const std::optional<std::wstring> path = ChooseCsvPath(state.dialog);
    if (!path)
        return;
    state.exportJob = std::make_unique<TraceExportJob>(state.dialog, *path, state.log->index, state.log->rows,
                                                       ShownColumns(state.table));
    OnExportProgress(state, 0);
}

void OnExportProgress(TraceLogDialogState& state, std::size_t rowsWritten)
{
    if (state.exportJob)
        SayInStatus(state, TraceSavingLine(rowsWritten, state.exportJob->Total()));
}

void OnExportDone(TraceLogDialogState& state)
{
    if (!state.exportJob)
        return;
    const CsvFileOutcome outcome = state.exportJob->TakeOutcome();
    const std::wstring path = state.exportJob->Path();
    const std::size_t rows = state.exportJob->Total();
    state.exportJob.reset();
    ShowStatus(state);
    if (outcome.result == CsvWriteResult::Written)
        SayInStatus(state, TraceSavedLine(rows, path));
    else if (outcome.result == CsvWriteResult::SinkFailed)
        MessageBoxW(state.dialog, outcome.failure.c_str(), L"CBT Trace Log", MB_ICONERROR | MB_OK);
}

void CancelExport(TraceLogDialogState& state)
{
    state.exportJob.reset();
    ShowStatus(state);
}

} // namespace trackkit
