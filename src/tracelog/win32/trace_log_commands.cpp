#include "tracelog/win32/trace_log_commands.h"

#include <string>

#include "common/win32/csv_file.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_tasks.h"

namespace trackkit {
namespace {

// Where the bar sits, in dialog units: right of the filter lists, its
// controls level with them and its note above.
constexpr RECT kFindBarPlace{252, 24, 552, 52};

} // namespace

void TraceLogDialogState::FindNext(std::wstring_view text, bool matchCase, bool forward)
{
    StartFind(*this, text, matchCase, forward);
}

void TraceLogDialogState::CloseFindBar()
{
    // Escape in the bar stops a search first; the next one hides the bar.
    if (taskKind == TraceTask::Find) {
        StopWork(*this);
        return;
    }
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

void SaveListedRows(TraceLogDialogState& state)
{
    if (!state.log || !state.rows || state.saving)
        return;
    if (const std::optional<std::wstring> path = ChooseCsvPath(state.dialog))
        StartSaving(state, *path);
}

} // namespace trackkit
