#include "tracelog/win32/trace_log_tasks.h"

#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "common/win32/clipboard.h"
#include "common/win32/wait_cursor.h"
#include "tracelog/trace_export.h"
#include "tracelog/win32/trace_log_export.h"
#include "tracelog/win32/trace_log_table.h"

namespace trackkit {
namespace {

// Copies of more rows than this are gathered on the worker.
constexpr std::size_t kRowsCopiedAtOnce = 100'000;

using TaskWork = std::function<void(TraceTaskOutcome& outcome, const JobProgress& progress)>;

// Progress of a core step, told to the job as the given work.
TraceProgress ReportAs(const JobProgress& progress, TraceWork work)
{
    return [&progress, work](std::size_t done, std::size_t total) {
        return progress.Report(done, total, static_cast<int>(work));
    };
}

void DropTask(TraceLogDialogState& state)
{
    if (state.taskKind == TraceTask::Find)
        SetFindBarNote(state.findBar, L"");
    state.task.reset();
    state.taskKind = TraceTask::None;
    state.taskOutcome.reset();
}

// The filter lists and the header arrow back to what the shown rows were
// made with.
void RestoreShownChoice(TraceLogDialogState& state)
{
    SelectFilterTexts(state, state.shown.filters);
    state.sortColumn = state.shown.column;
    state.sortDescending = state.shown.descending;
    MarkSortedHeader(state);
}

// The wait cursor while a load runs, where the mouse is over the dialog (it
// follows from WM_SETCURSOR as the mouse moves), and the arrow once it ends.
void ShowLoadCursor(const TraceLogDialogState& state, bool loading)
{
    POINT at{};
    HWND under = GetCursorPos(&at) ? WindowFromPoint(at) : nullptr;
    if (under == state.dialog || IsChild(state.dialog, under))
        SetCursor(LoadCursorW(nullptr, loading ? IDC_WAIT : IDC_ARROW));
}

void FinishLoad(TraceLogDialogState& state, TraceLoadResult result)
{
    state.status = std::move(result.status);
    if (result.log) {
        state.log = std::move(result.log);
        state.rows = state.log->index.TimeOrder();
        state.shown = {};
        FillFilterLists(state);
    }
    ShowRows(state);
    if (state.log && state.sortColumn)
        StartRows(state);
}

void ShowFound(TraceLogDialogState& state, std::optional<std::size_t> found)
{
    if (found)
        SelectOnlyRow(state, *found);
    SetFindBarNote(state.findBar, found ? L"" : L"Not found");
}

// Takes what the finished task left.
void FinishTask(TraceLogDialogState& state)
{
    const TraceTask kind = state.taskKind;
    const std::shared_ptr<TraceTaskOutcome> outcome = state.taskOutcome;
    const TraceRowsChoice choice = state.taskChoice;
    DropTask(state);
    switch (kind) {
    case TraceTask::Load:
        ShowLoadCursor(state, false);
        FinishLoad(state, std::move(outcome->load));
        break;
    case TraceTask::Rows:
        if (outcome->rows) {
            state.rows = outcome->rows;
            state.shown = choice;
            ShowRows(state);
        } else {
            RestoreShownChoice(state);  // memory ran out: the table stays as it was
        }
        break;
    case TraceTask::Find:
        ShowFound(state, outcome->found);
        break;
    case TraceTask::Copy:
        if (outcome->copied)
            CopyTextToClipboard(state.dialog, *outcome->copied);
        ShowStatus(state);
        break;
    case TraceTask::None:
        break;
    }
}

void ShowProgress(TraceLogDialogState& state, const JobReport& report)
{
    const std::wstring line = TraceProgressLine(static_cast<TraceWork>(report.stage), static_cast<std::size_t>(report.done),
                                                static_cast<std::size_t>(report.total), state.locale);
    if (state.taskKind == TraceTask::Find)
        SetFindBarNote(state.findBar, line);
    else
        SetWindowTextW(state.statusLine, line.c_str());
}

// Runs `work` as the dialog's task in place of any running one. Its result
// comes as a message, a few milliseconds later for a small log.
void Begin(TraceLogDialogState& state, TraceTask kind, TraceWork firstWork, TaskWork work)
{
    DropTask(state);
    auto outcome = std::make_shared<TraceTaskOutcome>();
    state.taskKind = kind;
    state.taskOutcome = outcome;
    ShowProgress(state, {0, 0, static_cast<int>(firstWork)});
    state.task = std::make_unique<WorkerJob>(state.dialog, kTraceTaskProgressMessage, kTraceTaskDoneMessage,
                                             ++state.lastJobId, [outcome, work = std::move(work)](const JobProgress& progress) {
                                                 work(*outcome, progress);
                                             });
}

std::vector<std::uint32_t> SelectedRecords(const TraceLogDialogState& state)
{
    std::vector<std::uint32_t> records;
    int item = -1;
    while ((item = static_cast<int>(
                SendMessageW(state.table, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0) {
        if (static_cast<std::size_t>(item) < state.rows->size())
            records.push_back((*state.rows)[static_cast<std::size_t>(item)]);
    }
    return records;
}

} // namespace

void StartLoad(TraceLogDialogState& state)
{
    DropTask(state);
    state.log.reset();
    state.rows.reset();
    state.shown = {};
    state.status = {};
    FillFilterLists(state);
    ShowRows(state);
    Begin(state, TraceTask::Load, TraceWork::Reading,
          [path = *state.logPath](TraceTaskOutcome& outcome, const JobProgress& progress) {
              outcome.load = LoadTraceLogFile(path, [&progress](TraceWork work, std::size_t done, std::size_t total) {
                  return progress.Report(done, total, static_cast<int>(work));
              });
          });
    ShowLoadCursor(state, true);
}

void StartRows(TraceLogDialogState& state)
{
    if (!state.log || state.taskKind == TraceTask::Load)
        return;
    state.taskChoice = {SelectedFilters(state), state.sortColumn, state.sortDescending};
    Begin(state, TraceTask::Rows, TraceWork::Filtering,
          [log = state.log, choice = state.taskChoice](TraceTaskOutcome& outcome, const JobProgress& progress) {
              SharedTraceRows rows = SelectRows(log->index, choice.filters, ReportAs(progress, TraceWork::Filtering));
              if (rows && choice.column)
                  rows = SortRows(log->index, rows, *choice.column, choice.descending,
                                  ReportAs(progress, TraceWork::SortingRows));
              outcome.rows = std::move(rows);
          });
}

void StartFind(TraceLogDialogState& state, std::wstring_view text, bool matchCase, bool forward)
{
    if (!state.log || !state.rows || text.empty() || state.taskKind == TraceTask::Load ||
        state.taskKind == TraceTask::Rows)
        return;
    const LRESULT focused = SendMessageW(state.table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    const std::size_t from = focused >= 0 ? static_cast<std::size_t>(focused) : state.rows->size();
    Begin(state, TraceTask::Find, TraceWork::Searching,
          [log = state.log, rows = state.rows, from, forward, wanted = std::wstring(text),
           matchCase](TraceTaskOutcome& outcome, const JobProgress& progress) {
              WindowsTraceTimeText timeText;  // the texts as the table shows them
              outcome.found = FindRow(log->index, *rows, from, forward, wanted, matchCase, timeText,
                                      ReportAs(progress, TraceWork::Searching));
          });
}

void StartCopy(TraceLogDialogState& state)
{
    if (!state.log || !state.rows)
        return;
    const auto selected = static_cast<std::size_t>(SendMessageW(state.table, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected == 0)
        return;
    // Every row selected (Ctrl+A) needs no walk over them.
    const SharedTraceRows records =
        selected >= state.rows->size() ? state.rows : std::make_shared<const TraceRows>(SelectedRecords(state));
    const std::vector<TraceColumn> columns = ShownColumns(state.table);
    if (records->size() <= kRowsCopiedAtOnce) {
        const WaitCursor wait;
        WindowsTraceTimeText timeText(true);
        CopyTextToClipboard(state.dialog, TabSeparatedRows(state.log->index, *records, columns, timeText).value_or(L""));
        return;
    }
    Begin(state, TraceTask::Copy, TraceWork::Copying,
          [log = state.log, records, columns](TraceTaskOutcome& outcome, const JobProgress& progress) {
              WindowsTraceTimeText timeText(true);
              outcome.copied = TabSeparatedRows(log->index, *records, columns, timeText,
                                                ReportAs(progress, TraceWork::Copying));
          });
}

void StartSaving(TraceLogDialogState& state, const std::wstring& path)
{
    if (!state.log || !state.rows || state.saving)
        return;
    auto outcome = std::make_shared<CsvFileOutcome>();
    state.savingOutcome = outcome;
    state.savingPath = path;
    state.savingRows = state.rows->size();
    state.saving = std::make_unique<WorkerJob>(
        state.dialog, kTraceSavingProgressMessage, kTraceSavingDoneMessage, ++state.lastJobId,
        [log = state.log, rows = state.rows, columns = ShownColumns(state.table), path, outcome](const JobProgress& progress) {
            WindowsTraceTimeText timeText(true);
            try {
                *outcome = ExportTraceRows(path, log->index, *rows, columns, timeText, ReportAs(progress, TraceWork::Saving));
            } catch (...) {
                *outcome = {CsvWriteResult::SinkFailed, L"Cannot write " + path + L": not enough memory"};
            }
        });
    if (!state.task)
        SetWindowTextW(state.statusLine, TraceProgressLine(TraceWork::Saving, 0, state.savingRows, state.locale).c_str());
}

void OnTaskProgress(TraceLogDialogState& state, WPARAM id)
{
    if (state.task && state.task->Id() == id)
        ShowProgress(state, state.task->TakeProgress());
}

void OnTaskDone(TraceLogDialogState& state, WPARAM id)
{
    if (state.task && state.task->Id() == id && state.task->Finished())
        FinishTask(state);
}

void OnSavingProgress(TraceLogDialogState& state, WPARAM id)
{
    if (!state.saving || state.saving->Id() != id)
        return;
    const JobReport report = state.saving->TakeProgress();
    if (!state.task)
        SetWindowTextW(state.statusLine, TraceProgressLine(TraceWork::Saving, static_cast<std::size_t>(report.done),
                                                           state.savingRows, state.locale).c_str());
}

void OnSavingDone(TraceLogDialogState& state, WPARAM id)
{
    if (!state.saving || state.saving->Id() != id || !state.saving->Finished())
        return;
    const CsvFileOutcome outcome = *state.savingOutcome;
    state.saving.reset();
    state.savingOutcome.reset();
    ShowStatus(state);
    if (outcome.result == CsvWriteResult::Written)
        SetWindowTextW(state.statusLine, TraceSavedLine(state.savingRows, state.savingPath, state.locale).c_str());
    else if (outcome.result == CsvWriteResult::SinkFailed)
        MessageBoxW(state.dialog, outcome.failure.c_str(), L"CBT Trace Log", MB_ICONERROR | MB_OK);
}

bool StopWork(TraceLogDialogState& state)
{
    if (state.task) {
        const TraceTask kind = state.taskKind;
        DropTask(state);
        if (kind == TraceTask::Load) {
            state.status.problem = TraceLoadProblem::Cancelled;
            ShowLoadCursor(state, false);
        } else if (kind == TraceTask::Rows) {
            RestoreShownChoice(state);
        }
        ShowStatus(state);
        return true;
    }
    if (state.saving) {
        state.saving.reset();
        state.savingOutcome.reset();
        ShowStatus(state);
        return true;
    }
    return false;
}

void DropWork(TraceLogDialogState& state)
{
    DropTask(state);
    state.saving.reset();
}

} // namespace trackkit
