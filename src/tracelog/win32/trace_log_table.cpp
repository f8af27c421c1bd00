#include "tracelog/win32/trace_log_table.h"

#include <array>
#include <new>
#include <string>

#include "common/dpi.h"
#include "common/text.h"
#include "common/win32/list_view.h"
#include "tracelog/trace_row_colors.h"
#include "tracelog/win32/trace_log_snapshot.h"
#include "tracelog/win32/windows_trace_time_text.h"

namespace trackkit {
namespace {

constexpr DWORD kTableExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
static_assert(kTableExtendedStyle == 0x10020);
// LVCFMT_NO_DPI_SCALE: the widths are scaled here already.
constexpr int kColumnFormat = LVCFMT_LEFT | 0x40000;
// What a filter list's selected text is read into, terminator included.
constexpr std::size_t kDeviceFilterTextChars = 64;
constexpr std::size_t kThreadFilterTextChars = 16;

struct TraceColumn {
    const wchar_t* title;
    int width;  // pixels at 96 DPI
};

constexpr std::array<TraceColumn, 9> kTraceColumns{{{L"Date", 100},
                                                    {L"Time", 100},
                                                    {L"Function", 200},
                                                    {L"Line Number", 100},
                                                    {L"Status", 200},
                                                    {L"DeviceName", 200},
                                                    {L"Drive", 50},
                                                    {L"Flags", 100},
                                                    {L"ThreadId", 100}}};
constexpr int kDeviceNameColumn = 5;

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

// New texts go straight into the filter lists, which sort themselves.
class FilterListControls final : public FilterListSink {
public:
    explicit FilterListControls(const TraceLogDialogState& state) : state_(state) {}
    void AddText(TraceFilterList list, std::wstring_view text) override
    {
        const std::wstring copy(text);
        HWND control = list == TraceFilterList::Device ? state_.deviceFilter : state_.threadFilter;
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str()));
    }

private:
    const TraceLogDialogState& state_;
};

// The row of one record that passed the filters (SelectTraceRecords has
// tested it and offered its texts to the filter lists), appended at the end;
// its item parameter is its entry's index in the store. The DeviceName is
// asked for when the row is drawn.
void DecodeTraceRecord(HWND table, std::size_t storeIndex, const TraceRecord& record, TraceTimeText& timeText)
{
    TraceColumnTexts texts;
    FormatHex32(record.threadId, texts.threadId);
    FormatRemainingTexts(record, timeText, texts);
    const int row = InsertListRow(table, static_cast<int>(storeIndex), texts.date, static_cast<LPARAM>(storeIndex));
    if (row < 0)
        return;
    SetListCellText(table, row, 1, texts.time);
    SetListCellText(table, row, 2, texts.function);
    SetListCellText(table, row, 3, texts.lineNumber);
    SetListCellText(table, row, 4, texts.status);
    SetListCellText(table, row, kDeviceNameColumn, LPSTR_TEXTCALLBACKW);
    SetListCellText(table, row, 6, texts.drive);
    SetListCellText(table, row, 7, texts.flags);
    SetListCellText(table, row, 8, texts.threadId);
}

int CALLBACK CompareRowTimes(LPARAM first, LPARAM second, LPARAM store)
{
    const auto& entries = *reinterpret_cast<const std::vector<TraceEntry>*>(store);
    auto fileTime = [&](LPARAM index) {
        FILETIME time{};
        if (index >= 0 && static_cast<std::size_t>(index) < entries.size()) {
            time.dwLowDateTime = static_cast<DWORD>(entries[static_cast<std::size_t>(index)].timestamp);
            time.dwHighDateTime = static_cast<DWORD>(entries[static_cast<std::size_t>(index)].timestamp >> 32);
        }
        return time;
    };
    const FILETIME a = fileTime(first);
    const FILETIME b = fileTime(second);
    return CompareFileTime(&a, &b);
}

std::uint32_t ListTraceLog(TraceLogDialogState& state)
{
    const TraceLogSnapshot snapshot = ReadTraceLogSnapshot(*state.logPath);
    if (snapshot.error != 0)
        return snapshot.error;
    const TraceRecordArea area = LocateTraceRecords(snapshot.Bytes());
    if (area.error != 0)
        return area.error;

    state.filters.selected = {SelectedText(state.deviceFilter, kDeviceFilterTextChars),
                              SelectedText(state.threadFilter, kThreadFilterTextChars)};
    FilterListControls lists(state);
    // The records come back in time order and the rows go in that order, so
    // the table's own sort at the end finds them sorted and costs little.
    const std::vector<ListedRecord> listed = SelectTraceRecords(area, state.filters, lists);
    state.store.reserve(listed.size());
    SendMessageW(state.table, LVM_SETITEMCOUNT, listed.size(), 0);
    WindowsTraceTimeText timeText;
    for (const ListedRecord& record : listed) {
        state.store.push_back(record.entry);
        DecodeTraceRecord(state.table, state.store.size() - 1, ReadTraceRecord(area, record.recordIndex), timeText);
    }
    SendMessageW(state.table, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&state.store),
                 reinterpret_cast<LPARAM>(CompareRowTimes));
    return 0;
}

} // namespace

void PrepareTraceTable(const TraceLogDialogState& state)
{
    SendMessageW(state.table, LVM_SETEXTENDEDLISTVIEWSTYLE, kTableExtendedStyle, kTableExtendedStyle);
    for (std::size_t i = 0; i < kTraceColumns.size(); ++i)
        InsertListColumn(state.table, static_cast<int>(i), kTraceColumns[i].title,
                         ScaleForDpi(kTraceColumns[i].width, state.dpiX), kColumnFormat);
}

void ResetFilterList(HWND list, FilterChoices& choices)
{
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"*"));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    choices.Reset();
}

std::uint32_t LoadTraceTable(TraceLogDialogState& state)
{
    SendMessageW(state.table, WM_SETREDRAW, FALSE, 0);
    SendMessageW(state.table, LVM_DELETEALLITEMS, 0, 0);
    state.store.clear();
    std::uint32_t result = 0;
    try {
        result = ListTraceLog(state);
    } catch (const std::bad_alloc&) {
        SendMessageW(state.table, LVM_DELETEALLITEMS, 0, 0);
        state.store.clear();
        result = ERROR_NOT_ENOUGH_MEMORY;
    }
    SendMessageW(state.table, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state.table, nullptr, TRUE);
    return result;
}

LRESULT AnswerTableCustomDraw(const TraceLogDialogState& state, NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const TraceEntry* entry = EntryAt(state, draw.nmcd.lItemlParam);
        if (entry == nullptr)
            return CDRF_DODEFAULT;
        const TraceRowColors colors = RowColorsFor(entry->flags, state.dark, state.themeLoaded);
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

void SupplyDeviceName(TraceLogDialogState& state, NMLVDISPINFOW& info)
{
    if ((info.item.mask & LVIF_TEXT) == 0 || info.item.iSubItem != kDeviceNameColumn)
        return;
    state.deviceNameText[0] = L'\0';
    if (const TraceEntry* entry = EntryAt(state, info.item.lParam))
        FormatDeviceName(entry->deviceNumber, entry->flags, state.deviceNameText);
    info.item.pszText = state.deviceNameText;
}

} // namespace trackkit
