#include "changes/win32/changed_files_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <new>
#include <optional>
#include <utility>

#include "changes/changed_files_layout.h"
#include "changes/changed_files_table.h"
#include "changes/changed_files_way.h"
#include "common/dpi.h"
#include "common/win32/clipboard.h"
#include "common/win32/csv_file.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/list_view.h"
#include "common/win32/system_message.h"
#include "common/win32/window_record.h"
#include "common/win32/worker_job.h"
#include "resources/resource_ids.h"

namespace trackkit {
namespace {

constexpr wchar_t kCaption[] = L"Changed Files";
constexpr int kProgressRange = 1000;
// Posted by the worker: how far it got, and that it is done.
constexpr UINT kProgressMessage = WM_APP + 5;
constexpr UINT kDoneMessage = WM_APP + 6;
// What the worker's progress is counting.
enum class Counting : int { ChangedBlocks, FileTableRecords };
// Column widths at 96 DPI, and alignments: numbers right. The Path column's
// follows the table's width, down to its minimum.
constexpr std::array<int, kChangedFileColumnCount> kColumnWidths{430, 110, 110, 60};
constexpr int kMinimumPathWidth = 150;
constexpr std::array<int, kChangedFileColumnCount> kColumnFormats{LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_RIGHT};
constexpr DWORD kTableExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP;

struct ChangedFilesDialog {
    static std::unique_ptr<ChangedFilesDialog> Create(HWND dialog, LPARAM initParameter);

    ChangedFilesDialog(HWND window, ChangedFilesContext& context)
        : dialog(window), table(GetDlgItem(window, IDC_CHANGED_FILES_TABLE)),
          summary(GetDlgItem(window, IDC_CHANGED_FILES_SUMMARY)), status(GetDlgItem(window, IDC_CHANGED_FILES_STATUS)),
          progress(GetDlgItem(window, IDC_CHANGED_FILES_PROGRESS)), saveAs(GetDlgItem(window, IDC_CHANGED_FILES_SAVE_AS)),
          cancel(GetDlgItem(window, IDCANCEL)), host(context.host), locale(context.locale)
    {
    }

    HWND dialog;
    HWND table;
    HWND summary;
    HWND status;
    HWND progress;
    HWND saveAs;
    HWND cancel;
    ChangedFilesHost& host;
    LocaleText& locale;
    std::unique_ptr<WorkerJob> job;        // while the lookup runs
    std::shared_ptr<ChangedFilesReport> outcome;  // what it leaves, once it is done
    ChangedFilesReport report;             // its files in the order shown
    ChangedFileColumn sortColumn = ChangedFileColumn::ChangedBytes;
    bool sortDescending = true;
    std::wstring cellText;
    ChangedFilesMetrics metrics;
    SIZE minimumSize{};
    bool outlined = false;
};

// Dialog units to pixels, for this dialog's font.
int DialogUnitsX(HWND dialog, int units)
{
    RECT rect{0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}

int DialogUnitsY(HWND dialog, int units)
{
    RECT rect{0, 0, 0, units};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}

ChangedFilesMetrics MetricsOf(HWND dialog)
{
    return {DialogUnitsX(dialog, 7), DialogUnitsY(dialog, 4), DialogUnitsY(dialog, 8), DialogUnitsY(dialog, 16),
            DialogUnitsX(dialog, 50), DialogUnitsY(dialog, 14)};
}

// Without copying the old bits: the dialog paints its background over the
// places the controls left, and a control whose bits were copied would not
// paint itself again.
void Place(HWND control, const Rect& rect)
{
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

// The Path column takes the table's width beside the other columns, room
// kept for the vertical scroll bar that the rows will bring.
void FitPathColumn(const ChangedFilesDialog& state)
{
    RECT client{};
    GetClientRect(state.table, &client);
    if ((GetWindowLongPtrW(state.table, GWL_STYLE) & WS_VSCROLL) == 0)
        client.right -= GetSystemMetrics(SM_CXVSCROLL);
    const int dpi = MeasureDpi(state.dialog).x;
    int others = 0;
    for (std::size_t i = 1; i < kChangedFileColumnCount; ++i)
        others += static_cast<int>(SendMessageW(state.table, LVM_GETCOLUMNWIDTH, i, 0));
    const int width = PathColumnWidth(client.right, others, ScaleForDpi(kMinimumPathWidth, dpi));
    SendMessageW(state.table, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
}

void LayOut(const ChangedFilesDialog& state)
{
    RECT client{};
    GetClientRect(state.dialog, &client);
    const ChangedFilesLayout layout = LayOutChangedFiles(client.right, client.bottom, state.metrics);
    Place(state.summary, layout.summary);
    Place(state.table, layout.table);
    Place(state.status, layout.status);
    Place(state.progress, layout.progress);
    Place(state.saveAs, layout.saveAs);
    Place(state.cancel, layout.cancel);
    FitPathColumn(state);
}

void MarkSortedHeader(const ChangedFilesDialog& state)
{
    MarkSortedColumn(state.table, static_cast<int>(state.sortColumn), state.sortDescending);
}

void PrepareTable(const ChangedFilesDialog& state)
{
    SendMessageW(state.table, LVM_SETEXTENDEDLISTVIEWSTYLE, kTableExtendedStyle, kTableExtendedStyle);
    const int dpi = MeasureDpi(state.dialog).x;
    for (std::size_t i = 0; i < kChangedFileColumnCount; ++i)
        InsertListColumn(state.table, static_cast<int>(i), ChangedFileColumnTitle(static_cast<ChangedFileColumn>(i)),
                         ScaleForDpi(kColumnWidths[i], dpi), kColumnFormats[i]);
    MarkSortedHeader(state);
}

std::vector<const ChangedFile*> SelectedFiles(const ChangedFilesDialog& state)
{
    std::vector<const ChangedFile*> files;
    int item = -1;
    while ((item = static_cast<int>(SendMessageW(state.table, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                                 LVNI_SELECTED))) >= 0) {
        if (static_cast<std::size_t>(item) < state.report.files.size())
            files.push_back(&state.report.files[static_cast<std::size_t>(item)]);
    }
    return files;
}

// The block map outlines the changed blocks of every selected file.
void OutlineSelection(ChangedFilesDialog& state)
{
    const std::vector<const ChangedFile*> files = SelectedFiles(state);
    std::vector<std::uint32_t> blocks;
    for (const ChangedFile* file : files)
        blocks.insert(blocks.end(), file->blocks.begin(), file->blocks.end());
    if (files.size() > 1) {
        std::sort(blocks.begin(), blocks.end());
        blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    }
    if (blocks.empty() && !state.outlined)
        return;
    state.outlined = !blocks.empty();
    state.host.OutlineBlocks(std::move(blocks));
}

void ClearSelection(HWND table)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageW(table, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void SelectAll(HWND table)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(table, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void SortByColumn(ChangedFilesDialog& state, int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= kChangedFileColumnCount)
        return;
    const auto clicked = static_cast<ChangedFileColumn>(column);
    state.sortDescending = clicked == state.sortColumn ? !state.sortDescending : SortsDescendingFirst(clicked);
    state.sortColumn = clicked;
    ClearSelection(state.table);
    SortChangedFiles(state.report.files, state.sortColumn, state.sortDescending);
    MarkSortedHeader(state);
    InvalidateRect(state.table, nullptr, FALSE);
}

void SupplyCellText(ChangedFilesDialog& state, NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.cchTextMax <= 0 || item.iItem < 0 ||
        static_cast<std::size_t>(item.iItem) >= state.report.files.size() || item.iSubItem < 0 ||
        static_cast<std::size_t>(item.iSubItem) >= kChangedFileColumnCount)
        return;
    state.cellText = ChangedFileText(state.report.files[static_cast<std::size_t>(item.iItem)],
                                     static_cast<ChangedFileColumn>(item.iSubItem), state.report.answeredBytes, state.locale);
    const std::size_t length = std::min(state.cellText.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(state.cellText.begin(), length, item.pszText);
    item.pszText[length] = L'\0';
}

void CopySelection(const ChangedFilesDialog& state)
{
    const std::vector<const ChangedFile*> files = SelectedFiles(state);
    if (!files.empty())
        CopyTextToClipboard(state.dialog, ChangedFilesTabText(files, state.report.answeredBytes, state.locale));
}

void OnTableKey(ChangedFilesDialog& state, WORD key)
{
    if (GetKeyState(VK_CONTROL) >= 0)
        return;
    if (key == 'C')
        CopySelection(state);
    else if (key == 'A')
        SelectAll(state.table);
}

void SaveAs(ChangedFilesDialog& state)
{
    const std::optional<std::wstring> path = ChooseCsvPath(state.dialog);
    if (!path)
        return;
    const CsvFileOutcome outcome = WriteCsvFile(*path, [&](const ByteSink& sink) {
        return WriteChangedFilesCsv(state.report.files, state.report.answeredBytes, sink);
    });
    if (outcome.result == CsvWriteResult::SinkFailed) {
        MessageBoxW(state.dialog, outcome.failure.c_str(), kCaption, MB_ICONERROR | MB_OK);
        return;
    }
    SetWindowTextW(state.status, ChangedFilesSavedText(state.report.files.size(), *path, state.locale).c_str());
}

void ShowFinished(ChangedFilesDialog& state, const std::wstring& statusText)
{
    ShowWindow(state.progress, SW_HIDE);
    SetWindowTextW(state.cancel, L"Close");
    EnableWindow(state.saveAs, state.report.files.empty() ? FALSE : TRUE);
    SetWindowTextW(state.status, statusText.c_str());
}

void Finish(ChangedFilesDialog& state, ChangedFilesReport report)
{
    state.report = std::move(report);
    SortChangedFiles(state.report.files, state.sortColumn, state.sortDescending);
    SendMessageW(state.table, LVM_SETITEMCOUNT, state.report.files.size(), 0);
    FitPathColumn(state);
    const bool lookedUp = state.report.blocksDone > 0 || state.report.end == ChangedFilesEnd::Complete;
    SetWindowTextW(state.summary, lookedUp ? ChangedFilesSummary(state.report, state.locale).c_str() : L"");
    ShowFinished(state, ChangedFilesStatus(state.report, [](std::uint32_t error) { return SystemMessageText(error); }, state.locale));
    SetFocus(state.table);
}

void ShowProgress(ChangedFilesDialog& state, WPARAM id)
{
    if (!state.job || state.job->Id() != id)
        return;
    const JobReport progress = state.job->TakeProgress();
    SendMessageW(state.progress, PBM_SETPOS,
                 progress.total == 0 ? 0 : static_cast<WPARAM>(progress.done * kProgressRange / progress.total), 0);
    const std::wstring text = progress.stage == static_cast<int>(Counting::FileTableRecords)
                                  ? FileTableProgressText(progress.done, progress.total, state.locale)
                                  : LookupProgressText(progress.done, progress.total, state.locale);
    SetWindowTextW(state.status, text.c_str());
}

void OnJobDone(ChangedFilesDialog& state, WPARAM id)
{
    if (!state.job || state.job->Id() != id || !state.job->Finished())
        return;
    ChangedFilesReport report = std::move(*state.outcome);
    state.job.reset();
    state.outcome.reset();
    Finish(state, std::move(report));
}

// The run on the worker, which owns the volume and the bitmap.
WorkerJob::Work RunOnWorker(ChangedFilesContext& context, std::shared_ptr<ChangedFilesReport> outcome)
{
    std::shared_ptr<TrackedVolume> volume = std::move(context.volume);
    return [outcome, volume, geometry = context.geometry,
            bitmap = std::make_shared<const std::vector<std::uint8_t>>(std::move(context.bitmap))](const JobProgress& progress) {
        const auto tell = [&progress](Counting counting) {
            return [&progress, counting](std::uint64_t done, std::uint64_t total) {
                return progress.Report(done, total, static_cast<int>(counting));
            };
        };
        *outcome = RunChangedFiles(*volume, geometry, *bitmap, tell(Counting::FileTableRecords), tell(Counting::ChangedBlocks),
                                   [&progress] { return progress.Cancelled(); });
    };
}

void Start(ChangedFilesDialog& state, ChangedFilesContext& context)
{
    const std::wstring title = std::wstring(kCaption) + L" - " + context.volumeName;
    SetWindowTextW(state.dialog, title.c_str());
    SendMessageW(state.progress, PBM_SETRANGE32, 0, kProgressRange);
    SetWindowTextW(state.summary, L"Looking up which files own the changed blocks...");
    if (const ChangedFilesEnd end = context.tracked ? CheckLookupInputs(context.geometry, context.bitmap) : ChangedFilesEnd::NoDriver;
        end != ChangedFilesEnd::Complete) {
        ChangedFilesReport report;
        report.end = end;
        Finish(state, std::move(report));
        return;
    }
    if (!context.volume) {
        ShowFinished(state, L"The volume cannot be opened for the lookup: " + SystemMessageText(context.openError));
        return;
    }
    state.outcome = std::make_shared<ChangedFilesReport>();
    state.job = std::make_unique<WorkerJob>(state.dialog, kProgressMessage, kDoneMessage, 1, RunOnWorker(context, state.outcome));
}

void OnCancel(ChangedFilesDialog& state)
{
    if (!state.job) {
        EndDialog(state.dialog, IDCANCEL);
        return;
    }
    state.job->Cancel();
    SetWindowTextW(state.status, L"Cancelling...");
}

void OnNotify(ChangedFilesDialog& state, NMHDR& header)
{
    if (header.hwndFrom != state.table)
        return;
    switch (header.code) {
    case LVN_GETDISPINFOW: SupplyCellText(state, reinterpret_cast<NMLVDISPINFOW&>(header)); break;
    case LVN_ITEMCHANGED:
        if ((reinterpret_cast<const NMLISTVIEW&>(header).uChanged & LVIF_STATE) != 0)
            OutlineSelection(state);
        break;
    case LVN_ODSTATECHANGED: OutlineSelection(state); break;
    case LVN_COLUMNCLICK: SortByColumn(state, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem); break;
    case LVN_KEYDOWN: OnTableKey(state, reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey); break;
    default: break;
    }
}

INT_PTR HandleChangedFilesMessage(ChangedFilesDialog& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_SIZE: LayOut(state); return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {state.minimumSize.cx, state.minimumSize.cy};
        return TRUE;
    case WM_NOTIFY: OnNotify(state, *reinterpret_cast<NMHDR*>(lParam)); return TRUE;
    case kProgressMessage: ShowProgress(state, wParam); return TRUE;
    case kDoneMessage: OnJobDone(state, wParam); return TRUE;
    case WM_CLOSE: EndDialog(state.dialog, IDCANCEL); return TRUE;
    case WM_DESTROY:
        if (state.outlined)
            state.host.OutlineBlocks({});
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            OnCancel(state);
        else if (LOWORD(wParam) == IDC_CHANGED_FILES_SAVE_AS && HIWORD(wParam) == BN_CLICKED)
            SaveAs(state);
        return TRUE;
    default: return FALSE;
    }
}

std::unique_ptr<ChangedFilesDialog> ChangedFilesDialog::Create(HWND dialog, LPARAM initParameter)
{
    auto* context = reinterpret_cast<ChangedFilesContext*>(initParameter);
    if (context == nullptr)
        return nullptr;
    auto state = std::make_unique<ChangedFilesDialog>(dialog, *context);
    RECT window{};
    GetWindowRect(dialog, &window);
    state->minimumSize = {window.right - window.left, window.bottom - window.top};
    state->metrics = MetricsOf(dialog);
    PrepareTable(*state);
    LayOut(*state);
    Start(*state, *context);
    return state;
}

const DLGPROC ChangedFilesDialogProc = RecordDialogProc<ChangedFilesDialog, HandleChangedFilesMessage>;

} // namespace

bool ShowChangedFilesDialog(HINSTANCE instance, HWND owner, ChangedFilesContext& context)
{
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CHANGED_FILES), owner, ChangedFilesDialogProc,
                           reinterpret_cast<LPARAM>(&context)) == IDCANCEL;
}

} // namespace trackkit
