// The trace log's Windows side for real: DebugLogPath, NtOpenFile, the time texts and the "CBT Trace Log" dialog
// from the program's resources. The rules are tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <list>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_open.h"
#include "tracelog/trace_export.h"
#include "tracelog/trace_index.h"
#include "tracelog/win32/trace_log_mapping.h"
#include "tracelog/win32/windows_trace_time_text.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::wstring>;

// DebugLogPath as the tests set it, put back as it was: its old data, or none (nor its key, if new).
struct SavedDebugLogPath {
    SavedDebugLogPath()
    {
        HKEY opened = nullptr;
        keyExisted = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) == 0;
        if (keyExisted && RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size) == 0)
            RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.emplace(size).data(), &size);
        RegCloseKey(opened);
    }
    ~SavedDebugLogPath() { if (Put(type, data) && !data && !keyExisted) RegDeleteKeyW(root, key.c_str()); }
    bool Put(DWORD newType, const std::optional<Bytes>& bytes) const  // none: deletes the value
    {
        return (bytes ? RegSetKeyValueW(root, key.c_str(), name.c_str(), newType, bytes->data(), DWORD(bytes->size()))
                      : RegDeleteKeyValueW(root, key.c_str(), name.c_str())) == 0;
    }
    const HKEY root = HKEY_LOCAL_MACHINE;
    const std::wstring key{kServiceKeyPath}, name{kDebugLogPathValue};
    bool keyExisted;
    DWORD type = REG_NONE, size = 0;
    std::optional<Bytes> data;
};

Texts Column(const SeenDialog& dialog, int column)  // of the table of records
{
    Texts texts;
    for (const Texts& row : dialog.rows) texts.push_back(row.at(column));
    return texts;
}

Bytes Utf16(const std::wstring& text, std::size_t terminators = 1)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return Bytes(bytes, bytes + 2 * (text.size() + terminators));
}

TraceRecord Record(std::uint64_t seconds, std::uint32_t device, std::uint32_t thread)
{
    return MakeRecord(133541199300000000ull + seconds * 10000000ull, device, thread);
}

void WriteLog(const std::wstring& path, const Bytes& bytes) { test::WriteFile(path, {bytes.begin(), bytes.end()}); }

const std::vector<TraceRecord> kRecords = {Record(300, 2, 0x1A4), Record(100, 12345, 0x2B0), Record(200, 10, 0x1A4),
                                           Record(400, 1, 0x3C8), Record(250, 10, 0x2B0)};

TEST(WindowsTraceTimeText, FormatsTheStoredTimeWithoutZoneWithMillisecondsAndRefusesWhatCannotConvert)
{
    wchar_t date[TraceColumnTexts::kDateChars], time[TraceColumnTexts::kTimeChars], separator[8] = {};
    ASSERT_TRUE(WindowsTraceTimeText().Format(133541200300459999ull, date, time));  // 2024-03-05 13:47:10.045 9999
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    EXPECT_TRUE(std::wcsstr(date, L"2024") && std::wcsstr(time, (L"47:10" + std::wstring(separator) + L"045").c_str()))
        << date << " " << time;
    EXPECT_FALSE(WindowsTraceTimeText().Format(1ull << 63, date, time));
}

class TraceLogDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(debugLogPath_.Put(REG_SZ, Utf16(L"x")));  // too short to be used: not the machine's own
        WriteLog(log_, TraceLogBytes(kRecords));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }

    test::TempFolder folder_;
    const std::wstring log_ = folder_.Make(L"qxcbt-trace.log");
    SavedDebugLogPath debugLogPath_;
};

TEST_F(TraceLogDialog, TheReaderOpensNtPathsBesideASharingWriterAndReportsFailuresAsCodes)
{
    const auto openError = [](const std::wstring& path) { return OpenTraceLog(path).Valid() ? 0 : GetLastError(); };
    // An NT path (drive paths in the dialog's test), none, a missing file (STATUS_OBJECT_NAME_NOT_FOUND).
    EXPECT_EQ((std::array{openError(L"\\??\\" + log_), openError(L""), openError(folder_.Make(L"missing.log"))}),
              (std::array<DWORD, 3>{0, ERROR_INVALID_PARAMETER, 0xD0000034u}));
    EXPECT_TRUE(openError(folder_.Path()) != 0 && openError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a'))
                != ERROR_INVALID_PARAMETER) << "a folder is no log; the longest name NtOpenFile takes is tried";
    for (const auto& [share, error] :
         {std::pair<DWORD, std::uint32_t>{FILE_SHARE_READ | FILE_SHARE_WRITE, 0}, {0, 0xD0000043u}}) {
        const UniqueHandle writer(CreateFileW(log_.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.Valid());
        const TraceLogFile file = MapTraceLog(log_);
        EXPECT_EQ(std::pair(file.error, LocateTraceRecords(file.Bytes()).count),
                  std::pair(error, std::size_t{error ? 0u : kRecords.size()}));
    }
}

// DebugLogPath, of any type, names the log by a drive or NT path; one too short, too long or missing leaves the
// path before. The log is listed; one that cannot be read leaves an empty table, no box, and the status line says why.
TEST_F(TraceLogDialog, OpensModallyFromItsResourceListingTheRegisteredLogAndClosesOnCancel)
{
    const std::wstring corrupt = folder_.Make(L"corrupt.log"), missing = folder_.Make(L"missing.log");
    const std::wstring cut = folder_.Make(L"cut.log");
    test::WriteFile(corrupt, "not a trace log");
    const Bytes whole = TraceLogBytes(kRecords);
    WriteLog(cut, Bytes(whole.begin(), whole.end() - 50));  // the last record broken off
    const Texts all{L"0x000002B0", L"0x000001A4", L"0x000002B0", L"0x000001A4", L"0x000003C8"};  // time order
    const std::wstring longest(259, L'a'), ntPath = L"\\??\\" + log_, listed = L"5 of 5 records";
    const struct { DWORD type; std::optional<Bytes> value; std::wstring path; Texts threadIds; std::wstring status; } cases[] = {
        {REG_SZ, Utf16(log_), log_, all, listed}, {REG_BINARY, Utf16(ntPath), ntPath, all, listed},
        {REG_NONE, std::nullopt, log_, all, listed}, {REG_SZ, Utf16(L"C:\\x", 0), log_, all, listed},
        {REG_SZ, Utf16(longest + L"a"), log_, all, listed},  // 8 bytes; 522, too many
        {REG_SZ, Utf16(longest), longest, {}, L"No such file."},
        {REG_SZ, Utf16(corrupt), corrupt, {}, L"The file is not a trace log."},
        {REG_SZ, Utf16(missing), missing, {}, L"No such file."},
        {REG_SZ, Utf16(cut), cut, {L"0x000002B0", L"0x000001A4", L"0x000001A4", L"0x000003C8"},
         L"The header promises 5 records, the file holds 4. 4 of 4 records"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::wstring remembered = log_;
        TraceLogDialogContext context{false, &remembered};
        ASSERT_TRUE(debugLogPath_.Put(c.type, c.value));
        std::wstring path;
        DialogWatcher watcher([&](HWND dialog) {
            path = WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH));
            EXPECT_EQ(GetPropW(dialog, L"VistaDialog"), HANDLE(1));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowTraceLogDialog(nullptr, context);  // returns only once the dialog has ended
        const SeenDialog& seen = watcher.seen.at(0);
        EXPECT_EQ(std::tuple(watcher.seen.size(), path, Column(seen, 8)), std::tuple(1u, c.path, c.threadIds));
        const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME;
        const LONG_PTR list = LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
        EXPECT_EQ((std::pair{seen.style & frame, seen.listStyle & (list | LVS_SINGLESEL | LVS_TYPEMASK)}), (std::pair{frame, list}));
        EXPECT_EQ(std::tuple(seen.title, seen.fontFace, seen.staticTexts, seen.buttonIds, seen.columnTitles),
                  std::tuple(L"CBT Trace Log", L"MS Shell Dlg", Texts{L"Device Name:", L"ThreadId", c.status},
                             std::vector{IDC_TRACE_LOG_CHOOSE, IDC_TRACE_LOG_SAVE_AS, IDC_TRACE_LOG_FLAGS_PANEL}, Texts{L"Date", L"Time",
                             L"Function", L"Line Number", L"Status", L"DeviceName", L"Drive", L"Flags", L"ThreadId"}));
    }
}

// The dialog without a modal loop of its own, shown, on the log at `path`. Left open to the end of the process
// (under Wine, destroying a shown window costs two seconds), so the path it remembers outlives the test too.
struct ModelessDialog {
    HWND dialog;
    std::wstring& remembered;
};

ModelessDialog OpenModeless(const std::wstring& path)
{
    static std::list<std::wstring> remembered;
    std::wstring& kept = remembered.emplace_back(path);
    TraceLogDialogContext context{false, &kept};
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), {}, TraceLogDialogProc,
                                     LPARAM(&context));
    ShowWindow(dialog, SW_SHOW);
    return {dialog, kept};
}

// Pumps the thread's messages, 10 ms at a time, until `done` or `tries` waits have passed.
void PumpUntil(const std::function<bool()>& done, int tries)
{
    for (int wait = 0; wait < tries && !done(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
    }
}

// The row colours and the flags panel are drawn in the end-to-end run (tests/e2e).
TEST_F(TraceLogDialog, AFilterF5AndTheFileChooserReachTheDialog)
{
    const ModelessDialog opened = OpenModeless(log_);
    HWND dialog = opened.dialog;
    std::wstring& remembered = opened.remembered;
    ASSERT_NE(dialog, nullptr);
    HWND deviceFilter = GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER);
    const auto choose = [dialog](std::function<void(HWND)> answer) {  // with the file dialog that "..." opens
        DialogWatcher watcher(std::move(answer));
        SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_CHOOSE, LPARAM(GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE)));
        return watcher.seen.size();
    };
    SendMessageW(deviceFilter, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"HarddiskVolume10"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_DEVICE_FILTER, CBN_SELCHANGE), LPARAM(deviceFilter));
    EXPECT_EQ(choose([](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); }), 1u);
    EXPECT_EQ(std::tuple(remembered, Column(SeenDialog(dialog), 5), WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_STATUS))),
              std::tuple(log_, Texts{L"HarddiskVolume10", L"HarddiskVolume10"}, L"2 of 5 records")) << "filtered, then cancelled";
    // The driver wrote on meanwhile, as it does, in place (the shown log is mapped: it cannot be cut short): F5 in
    // whichever control has the focus rereads the log, the filter kept.
    const Bytes longer = TraceLogBytes({kRecords[0], kRecords[1], kRecords[2], kRecords[3], kRecords[4], Record(500, 10, 0)});
    const UniqueHandle driver(CreateFileW(log_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(driver.Get(), longer.data(), DWORD(longer.size()), &written, nullptr));
    SendMessageW(GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(std::pair(Column(SeenDialog(dialog), 5).size(), WindowText(deviceFilter)),
        std::pair(std::size_t{3}, std::wstring(L"HarddiskVolume10")));

    const std::wstring second = folder_.Make(L"second.log");
    WriteLog(second, TraceLogBytes({Record(1, 3, 0x77)}));
    EXPECT_EQ(choose([&](HWND chooser) {
        SetDlgItemTextW(chooser, 0x480, second.c_str());  // the file dialog's name box (edt1)
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    }), 1u);
    EXPECT_EQ(_wcsicmp(remembered.c_str(), second.c_str()), 0) << remembered.c_str();
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH)), remembered);
    EXPECT_EQ(SendMessageW(deviceFilter, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"HarddiskVolume3")), 1)
        << "the filter list rebuilt: *, then the new log's device";
    EXPECT_EQ(Column(SeenDialog(dialog), 8), Texts{L"0x00000077"});
}

// The dialog opens where it was closed, when that is on a screen, and stores where it is closed; a rectangle
// off every screen lets the system place it.
TEST_F(TraceLogDialog, OpensWhereItWasClosedAndStoresWhereItIsClosed)
{
    const struct { RECT kept; bool restored; } cases[] = {{{40, 30, 940, 630}, true}, {{-5000, 30, -4100, 630}, false}};
    for (const auto& c : cases) {
        AppSettings settings{};
        settings.traceLogLeft = c.kept.left, settings.traceLogTop = c.kept.top;
        settings.traceLogWidth = c.kept.right - c.kept.left, settings.traceLogHeight = c.kept.bottom - c.kept.top;
        TraceLogDialogContext context{false, nullptr, &settings};
        RECT shown{};
        DialogWatcher watcher([&](HWND dialog) {
            GetWindowRect(dialog, &shown);
            SetWindowPos(dialog, nullptr, 50, 60, 800, 500, SWP_NOZORDER);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowTraceLogDialog(nullptr, context);
        EXPECT_EQ(EqualRect(&shown, &c.kept) != FALSE, c.restored) << c.kept.left;
        EXPECT_EQ(std::tuple(settings.traceLogLeft, settings.traceLogTop, settings.traceLogWidth, settings.traceLogHeight),
                  std::tuple(50, 60, 800, 500));
    }
}

// The thread's key state with Ctrl held, for the keys the dialog reads it with.
void PressWithControl(HWND window, WPARAM key)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

std::vector<int> SelectedRows(HWND table)
{
    std::vector<int> rows;
    for (int row = -1; (row = int(SendMessageW(table, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

std::wstring ClipboardText()
{
    std::wstring text = L"<none>";
    if (OpenClipboard(nullptr)) {
        if (const auto* held = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT))))
            text = held;
        GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
        CloseClipboard();
    }
    return text;
}

// Rows in time order hold threads 2B0, 1A4, 2B0, 1A4, 3C8. Ctrl+F and Enter find, F3 and Shift+F3 go on and back;
// Ctrl+C copies the selected rows; "Save As..." writes the listed rows through the shell's save dialog.
TEST_F(TraceLogDialog, FindCopyAndSaveAsWorkOnTheListedRows)
{
    HWND dialog = OpenModeless(log_).dialog;
    ASSERT_NE(dialog, nullptr);
    HWND table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE), bar = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
    PressWithControl(table, 'F');
    ASSERT_TRUE(IsWindowVisible(bar));
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"0x000001a4");
    const struct { UINT key; bool shift; std::vector<int> selected; } steps[] = {
        {VK_RETURN, false, {1}}, {VK_F3, false, {3}}, {VK_F3, true, {1}}};
    for (const auto& step : steps) {
        BYTE keys[256] = {};
        keys[VK_SHIFT] = step.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(step.key == VK_RETURN ? GetDlgItem(bar, IDC_FIND_BAR_TEXT) : table, WM_KEYDOWN, step.key, 0);
        EXPECT_EQ(SelectedRows(table), step.selected) << step.key << step.shift;
    }
    SetKeyboardState(std::array<BYTE, 256>{}.data());
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"nothing like it");
    SendMessageW(GetDlgItem(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(std::pair(SelectedRows(table), WindowText(GetDlgItem(bar, IDC_FIND_BAR_NOT_FOUND))),
              std::pair(std::vector{1}, std::wstring(L"Not found")));

    LVITEMW select{};
    select.state = select.stateMask = LVIS_SELECTED;
    SendMessageW(table, LVM_SETITEMSTATE, 3, LPARAM(&select));
    PressWithControl(table, 'C');
    const std::wstring copied = ClipboardText();
    EXPECT_TRUE(copied.starts_with(L"Date\tTime\tFunction\tLine Number\tStatus\tDeviceName\tDrive\tFlags\tThreadId\r\n"))
        << copied.c_str();
    const std::size_t second = copied.find(L"\t0x000001A4\r\n"), third = copied.find(L"\t0x000001A4\r\n", second + 1);
    EXPECT_TRUE(std::count(copied.begin(), copied.end(), L'\n') == 3 && third != std::wstring::npos &&
                third + 13 == copied.size()) << "the title line, then rows 1 and 3, both thread 1A4";

    const std::wstring saved = folder_.Make(L"listed.csv");
    {
        DialogWatcher watcher([&](HWND chooser) {
            SetDlgItemTextW(chooser, 0x480, saved.c_str());  // the file dialog's name box (edt1)
            PostMessageW(chooser, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_SAVE_AS, LPARAM(GetDlgItem(dialog, IDC_TRACE_LOG_SAVE_AS)));
    }
    HWND status = GetDlgItem(dialog, IDC_TRACE_LOG_STATUS);
    PumpUntil([&] { return WindowText(status).starts_with(L"5 rows saved"); }, 500);
    EXPECT_EQ(WindowText(status), L"5 rows saved to " + saved);
    const Bytes log = TraceLogBytes(kRecords);
    const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(log), {});
    const std::vector<std::uint32_t> rows = SelectRows(index, {});
    const std::vector<TraceColumn> columns{TraceColumn::Date, TraceColumn::Time, TraceColumn::Function,
        TraceColumn::LineNumber, TraceColumn::Status, TraceColumn::DeviceName, TraceColumn::Drive, TraceColumn::Flags,
        TraceColumn::ThreadId};
    WindowsTraceTimeText timeText;
    std::string expected;
    WriteCsvRows(index, rows, columns, timeText, [&](std::string_view bytes) { expected += bytes; return true; }, {});
    EXPECT_EQ(test::FileBytes(saved), expected);
}

// A log of 200,000 records (on the worker, past what loads while the dialog waits) whose latest record lies in its
// middle: the table holds them all, the last row scrolled to shows that record's nine texts; ThreadId's header sorts.
TEST_F(TraceLogDialog, ALargeLogFillsTheVirtualTableAndAHeaderClickSortsIt)
{
    std::vector<TraceRecord> records;
    for (std::uint32_t i = 0; i < 200000; ++i) records.push_back(Record(i, i % 7, i == 1000 ? 0x99999 : i % 64));
    records[1000].timestamp = Record(300000, 0, 0).timestamp + 1234567;  // milliseconds too
    WriteLog(log_, TraceLogBytes(records));
    HWND dialog = OpenModeless(log_).dialog;
    ASSERT_NE(dialog, nullptr);
    PumpUntil([dialog] { return !IsTraceLogLoading(dialog); }, 3000);
    HWND table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE);
    ASSERT_EQ(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0), 200000);
    SendMessageW(table, LVM_ENSUREVISIBLE, 199999, FALSE);
    UpdateWindow(table);
    EXPECT_GT(SendMessageW(table, LVM_GETTOPINDEX, 0, 0), 199000);
    TraceColumnTexts expected;
    WindowsTraceTimeText timeText;
    FormatColumnTexts(records[1000], timeText, expected);
    for (std::size_t column = 0; column < kTraceColumnCount; ++column)
        EXPECT_EQ(ListItemText(table, 199999, int(column)), ColumnText(expected, TraceColumn(column))) << column;

    HWND header = HWND(SendMessageW(table, LVM_GETHEADER, 0, 0));
    for (const auto& [rowZero, arrow] : {std::pair(L"0x00000000", HDF_SORTUP), std::pair(L"0x00099999", HDF_SORTDOWN)}) {
        NMLISTVIEW click{};
        click.hdr = {table, IDC_TRACE_LOG_TABLE, LVN_COLUMNCLICK}, click.iItem = -1, click.iSubItem = 8;
        SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, LPARAM(&click));
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, 8, LPARAM(&item));
        EXPECT_EQ(std::pair(ListItemText(table, 0, 8), item.fmt & (HDF_SORTUP | HDF_SORTDOWN)), std::pair(std::wstring(rowZero), arrow));
    }
}

} // namespace
} // namespace trackkit
