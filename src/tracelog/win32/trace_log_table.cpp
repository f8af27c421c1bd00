#include "tracelog/win32/trace_log_table.h"

#include <array>
#include <string>
#include <vector>

#include "common/dpi.h"
#include "common/text.h"
#include "common/win32/list_view.h"
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

void FillFilterList(HWND list, const std::vector<std::wstring>* texts, bool keepSelection)
{
    const std::wstring kept = keepSelection ? SelectedText(list, kDeviceFilterTextChars) : std::wstring();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"*"));
    LRESULT selection = 0;
    if (texts != nullptr) {
        for (const std::wstring& text : *texts) {
            const LRESULT added = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            if (!kept.empty() && text == kept)
                selection = added;
        }
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

// The record shown in a row; none past the rows.
std::optional<std::uint32_t> RecordOfRow(const TraceLogDialogState& state, std::size_t row)
{
    if (!state.log || row >= state.log->rows.size())
        return std::nullopt;
    return state.log->rows[row];
}

void MarkSortedHeader(const TraceLogDialogState& state)
{
    MarkSortedColumn(state.table, state.sortColumn ? std::optional<int>(static_cast<int>(*state.sortColumn)) : std::nullopt,
                     state.sortDescending);
}

} // namespace

void PrepareTraceTable(const TraceLogDialogState& state)
{
    SendMessageW(state.table, LVM_SETEXTENDEDLISTVIEWSTYLE, kTableExtendedStyle, kTableExtendedStyle);
    for (std::size_t i = 0; i < kTraceColumnCount; ++i)
        InsertListColumn(state.table, static_cast<int>(i), ColumnTitle(static_cast<TraceColumn>(i)),
                         ScaleForDpi(kColumnWidths[i], state.dpiX), kColumnFormat);
}

void FillFilterLists(const TraceLogDialogState& state, bool keepSelection)
{
    FillFilterList(state.deviceFilter, state.log ? &state.log->index.DeviceTexts() : nullptr, keepSelection);
    FillFilterList(state.threadFilter, state.log ? &state.log->index.ThreadTexts() : nullptr, keepSelection);
}

void ShowRows(TraceLogDialogState& state)
{
    if (state.log) {
        const TraceFilters filters{SelectedText(state.deviceFilter, kDeviceFilterTextChars),
                                   SelectedText(state.threadFilter, kThreadFilterTextChars)};
        state.log->rows = SelectRows(state.log->index, filters);
        if (state.sortColumn)
            SortRows(state.log->index, state.log->rows, *state.sortColumn, state.sortDescending);
    }
    state.textsRecord.reset();
    // The rows are new: what was selected named other records. An empty
    // table drops the selection at once, where unselecting every row would
    // cost a notification per row.
    SendMessageW(state.table, LVM_SETITEMCOUNT, 0, 0);
    SendMessageW(state.table, LVM_SETITEMCOUNT, state.log ? state.log->rows.size() : 0, 0);
    InvalidateRect(state.table, nullptr, TRUE);
    state.selectedFlags = 0;
    InvalidateRect(state.flagsPanel, nullptr, FALSE);
    ShowStatus(state);
}

void SortByColumn(TraceLogDialogState& state, int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= kTraceColumnCount)
        return;
    const auto chosen = static_cast<TraceColumn>(column);
    state.sortDescending = state.sortColumn == chosen && !state.sortDescending;
    state.sortColumn = chosen;
    MarkSortedHeader(state);
    ShowRows(state);
}

void ShowStatus(TraceLogDialogState& state)
{
    state.status.listed = state.log ? state.log->rows.size() : 0;
    state.status.loaded = state.log ? state.log->index.Count() : 0;
    SetWindowTextW(state.statusLine, TraceStatusLine(state.status).c_str());
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

std::uint32_t SelectedRowFlags(const TraceLogDialogState& state)
{
    const LRESULT row = SendMessageW(state.table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    const std::optional<std::uint32_t> record = row < 0 ? std::nullopt : RecordOfRow(state, static_cast<std::size_t>(row));
    return record ? ReadTraceEntry(state.log->index.Area(), *record).flags : 0;
}

} // namespace trackkit
