#include "tracelog/win32/trace_log_table.h"

#include <array>
#include <string>

#include "common/dpi.h"
#include "common/text.h"
#include "common/win32/list_view.h"
#include "common/win32/message_guard.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_row_colors.h"

namespace trackkit {
namespace {

constexpr DWORD kTableExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
static_assert(kTableExtendedStyle == 0x10020);
// LVCFMT_NO_DPI_SCALE: the widths are scaled here already.
constexpr int kColumnFormat = LVCFMT_LEFT | 0x40000;
// What a filter list's selected text is read into, terminator included.
constexpr std::size_t kDeviceFilterTextChars = 64;
constexpr std::size_t kThreadFilterTextChars = 16;

// The columns' widths in pixels at 96 DPI, in TraceColumn order.
constexpr std::array<int, kTraceColumnCount> kColumnWidths{100, 100, 200, 100, 200, 200, 50, 100, 100};

std::wstring SelectedText(HWND list, std::size_t room)
{
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return {};
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return CutToBuffer(std::move(text), room);
}

void FillFilterList(HWND list, const std::vector<std::wstring>* texts)
{
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"*"));
    if (texts != nullptr)
        for (const std::wstring& text : *texts)
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void SelectText(HWND list, const std::wstring& text)
{
    const LRESULT found = text.empty() ? CB_ERR : SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                                 reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(list, CB_SETCURSEL, found == CB_ERR ? 0 : static_cast<WPARAM>(found), 0);
}

// The record shown in a row; none past the rows.
std::optional<std::uint32_t> RecordOfRow(const TraceLogDialogState& state, std::size_t row)
{
    if (!state.rows || row >= state.rows->size())
        return std::nullopt;
    return (*state.rows)[row];
}

int FocusedRow(HWND table)
{
    return static_cast<int>(SendMessageW(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void TakeFlagsOfRow(TraceLogDialogState& state, int row)
{
    const std::optional<std::uint32_t> record = row < 0 ? std::nullopt : RecordOfRow(state, static_cast<std::size_t>(row));
    if (!record)
        return;
    const std::uint32_t flags = ReadTraceEntry(state.log->index.Area(), *record).flags;
    if (flags == state.selectedFlags)
        return;
    state.selectedFlags = flags;
    InvalidateRect(state.flagsPanel, nullptr, FALSE);
}

bool BecameSelected(UINT oldState, UINT newState)
{
    return (newState & LVIS_SELECTED) != 0 && (oldState & LVIS_SELECTED) == 0;
}

// Some list views repaint each row of a range they select, one row at a
// time, which for a million rows takes minutes; the table is repainted once
// instead.
template <typename Selecting>
void RepaintOnceAfter(HWND table, Selecting selecting)
{
    SendMessageW(table, WM_SETREDRAW, FALSE, 0);
    selecting();
    SendMessageW(table, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(table, nullptr, FALSE);
}

constexpr UINT_PTR kRangeSelectionSubclassId = 1;

// Shift with a click or a key that moves selects a range of rows.
bool SelectsRange(UINT message, WPARAM wParam)
{
    if (GetKeyState(VK_SHIFT) >= 0)
        return false;
    if (message == WM_LBUTTONDOWN)
        return true;
    return message == WM_KEYDOWN && (wParam == VK_END || wParam == VK_HOME || wParam == VK_PRIOR ||
                                     wParam == VK_NEXT || wParam == VK_UP || wParam == VK_DOWN);
}

LRESULT CALLBACK RangeSelectionProc(HWND table, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    return HandleWithoutEscaping(
        [&]() -> LRESULT {
            if (message == WM_NCDESTROY)
                RemoveWindowSubclass(table, RangeSelectionProc, kRangeSelectionSubclassId);
            if (!SelectsRange(message, wParam))
                return DefSubclassProc(table, message, wParam, lParam);
            LRESULT result = 0;
            RepaintOnceAfter(table, [&] { result = DefSubclassProc(table, message, wParam, lParam); });
            return result;
        },
        LRESULT{0});
}

void SetRowState(HWND table, int row, UINT state, UINT mask)
{
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(table, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

void PrepareTraceTable(const TraceLogDialogState& state)
{
    SendMessageW(state.table, LVM_SETEXTENDEDLISTVIEWSTYLE, kTableExtendedStyle, kTableExtendedStyle);
    for (std::size_t i = 0; i < kTraceColumnCount; ++i)
        InsertListColumn(state.table, static_cast<int>(i), ColumnTitle(static_cast<TraceColumn>(i)),
                         ScaleForDpi(kColumnWidths[i], state.dpiX), kColumnFormat);
}

void FillFilterLists(const TraceLogDialogState& state)
{
    FillFilterList(state.deviceFilter, state.log ? &state.log->index.DeviceTexts() : nullptr);
    FillFilterList(state.threadFilter, state.log ? &state.log->index.ThreadTexts() : nullptr);
}

TraceFilters SelectedFilters(const TraceLogDialogState& state)
{
    return {SelectedText(state.deviceFilter, kDeviceFilterTextChars), SelectedText(state.threadFilter, kThreadFilterTextChars)};
}

void SelectFilterTexts(const TraceLogDialogState& state, const TraceFilters& filters)
{
    SelectText(state.deviceFilter, filters.device);
    SelectText(state.threadFilter, filters.threadId);
}

void ShowRows(TraceLogDialogState& state)
{
    state.textsRecord.reset();
    // The rows are new: what was selected named other records. An empty
    // table drops the selection at once, where unselecting every row would
    // cost a notification per row.
    SendMessageW(state.table, LVM_SETITEMCOUNT, 0, 0);
    SendMessageW(state.table, LVM_SETITEMCOUNT, state.rows ? state.rows->size() : 0, 0);
    InvalidateRect(state.table, nullptr, TRUE);
    ShowStatus(state);
}

void MarkSortedHeader(const TraceLogDialogState& state)
{
    MarkSortedColumn(state.table, state.sortColumn ? std::optional<int>(static_cast<int>(*state.sortColumn)) : std::nullopt,
                     state.sortDescending);
}

void ShowStatus(TraceLogDialogState& state)
{
    state.status.listed = state.rows ? state.rows->size() : 0;
    state.status.loaded = state.log ? state.log->index.Count() : 0;
    SetWindowTextW(state.statusLine, TraceStatusLine(state.status, state.locale).c_str());
}

void SupplyCellText(TraceLogDialogState& state, NMLVDISPINFOW& info)
{
    if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr || info.item.cchTextMax <= 0)
        return;
    info.item.pszText[0] = L'\0';
    const std::optional<std::uint32_t> record = RecordOfRow(state, static_cast<std::size_t>(info.item.iItem));
    if (!record || info.item.iSubItem < 0 || static_cast<std::size_t>(info.item.iSubItem) >= kTraceColumnCount)
        return;
    if (state.textsRecord != record) {
        state.texts = {};
        FormatColumnTexts(state.log->index.Record(*record), state.timeText, state.texts);
        state.textsRecord = record;
    }
    const std::wstring_view text = ColumnText(state.texts, static_cast<TraceColumn>(info.item.iSubItem));
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info.item.cchTextMax) - 1);
    text.copy(info.item.pszText, length);
    info.item.pszText[length] = L'\0';
}

LRESULT AnswerTableCustomDraw(const TraceLogDialogState& state, NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const std::optional<std::uint32_t> record = RecordOfRow(state, draw.nmcd.dwItemSpec);
        if (!record)
            return CDRF_DODEFAULT;
        const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
        if (SendMessageW(state.table, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0) {
            // The list would grey a selection it shows without the focus, and
            // the find bar holds the focus when it selects a hit.
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
            draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
            return CDRF_NEWFONT;
        }
        const std::uint32_t flags = ReadTraceEntry(state.log->index.Area(), *record).flags;
        const TraceRowColors colors = RowColorsFor(flags, state.dark, state.themeLoaded);
        draw.clrText = colors.text;
        if (colors.background)
            draw.clrTextBk = *colors.background;
        return CDRF_NEWFONT;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        return CDRF_NEWFONT;
    default:
        return 0;
    }
}

void OnRowChanged(TraceLogDialogState& state, const NMLISTVIEW& change)
{
    // A list that selects a range without telling it (LVN_ODSTATECHANGED)
    // still moves the focus to the range's end, which is then selected.
    const bool focusedSelected = (change.uNewState & (LVIS_FOCUSED | LVIS_SELECTED)) == (LVIS_FOCUSED | LVIS_SELECTED) &&
                                 (change.uOldState & LVIS_FOCUSED) == 0;
    if ((change.uChanged & LVIF_STATE) == 0 || !(BecameSelected(change.uOldState, change.uNewState) || focusedSelected))
        return;
    // Every row at once (-1): the row the user is on.
    TakeFlagsOfRow(state, change.iItem >= 0 ? change.iItem : FocusedRow(state.table));
}

void OnRowRangeChanged(TraceLogDialogState& state, const NMLVODSTATECHANGE& change)
{
    if (!BecameSelected(change.uOldState, change.uNewState))
        return;
    // A range selected with Shift ends where the user moved to: the focused
    // row when it is in the range, else the range's far end.
    const int focused = FocusedRow(state.table);
    TakeFlagsOfRow(state, focused >= change.iFrom && focused <= change.iTo ? focused : change.iTo);
}

void SelectOnlyRow(const TraceLogDialogState& state, std::size_t row)
{
    RepaintOnceAfter(state.table, [&] { SetRowState(state.table, -1, 0, LVIS_SELECTED); });
    SetRowState(state.table, static_cast<int>(row), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(state.table, LVM_ENSUREVISIBLE, row, FALSE);
    const auto perPage = static_cast<std::size_t>(SendMessageW(state.table, LVM_GETCOUNTPERPAGE, 0, 0));
    const auto top = static_cast<std::size_t>(SendMessageW(state.table, LVM_GETTOPINDEX, 0, 0));
    const std::size_t wantedTop = CenteredTopRow(row, perPage, state.rows ? state.rows->size() : 0);
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (wantedTop != top && SendMessageW(state.table, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) {
        const auto rows = static_cast<long long>(wantedTop) - static_cast<long long>(top);
        SendMessageW(state.table, LVM_SCROLL, 0, static_cast<LPARAM>(rows * (bounds.bottom - bounds.top)));
    }
}

void SelectAllRows(const TraceLogDialogState& state)
{
    RepaintOnceAfter(state.table, [&] { SetRowState(state.table, -1, LVIS_SELECTED, LVIS_SELECTED); });
}

void WatchRangeSelection(HWND table)
{
    SetWindowSubclass(table, RangeSelectionProc, kRangeSelectionSubclassId, 0);
}

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

} // namespace trackkit
