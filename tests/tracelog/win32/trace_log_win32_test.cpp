// The trace log's Windows side for real: DebugLogPath, NtOpenFile, the time texts and the "CBT Trace Log" dialog
// from the program's resources. The rules are tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <list>
#include <new>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/unique_handles.h"
#include "common/win32/window_record.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_open.h"
#include "tracelog/trace_export.h"
#include "tracelog/trace_index.h"
#include "tracelog/win32/trace_log_loader.h"
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

// The table shows the user's time format; copies and exports keep the milliseconds.
TEST(WindowsTraceTimeText, FormatsTheStoredTimeWithoutZoneTheMillisecondsForCopiesAndRefusesWhatCannotConvert)
{
    wchar_t date[TraceColumnTexts::kDateChars], time[TraceColumnTexts::kTimeChars], exact[TraceColumnTexts::kTimeChars],
        separator[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    WindowsTraceTimeText shown, copied(true);
    ASSERT_TRUE(shown.Format(133541200300459999ull, date, time) && copied.Format(133541200300459999ull, date, exact));
    const std::wstring milliseconds = L"47:10" + std::wstring(separator) + L"045";  // 2024-03-05 13:47:10.045 9999
    EXPECT_TRUE(std::wcsstr(date, L"2024") && std::wcsstr(time, L"47:10") && !std::wcsstr(time, milliseconds.c_str()) &&
                std::wcsstr(exact, milliseconds.c_str())) << date << " " << time << " " << exact;
    EXPECT_FALSE(shown.Format(1ull << 63, date, time));
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

// The reader opens NT and drive paths beside a writer that shares, reads the whole file and lets go of it.
TEST_F(TraceLogDialog, TheReaderReadsTheWholeLogBesideASharingWriterAndReportsFailures)
{
    const auto openError = [](const std::wstring& path) { return OpenTraceLog(path).Valid() ? 0 : GetLastError(); };
    // An NT path (drive paths in the dialog's test), none, a missing file (STATUS_OBJECT_NAME_NOT_FOUND).
    EXPECT_EQ((std::array{openError(L"\\??\\" + log_), openError(L""), openError(folder_.Make(L"missing.log"))}),
              (std::array<DWORD, 3>{0, ERROR_INVALID_PARAMETER, 0xD0000034u}));
    EXPECT_TRUE(openError(folder_.Path()) != 0 && openError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a'))
                != ERROR_INVALID_PARAMETER) << "a folder is no log; the longest name NtOpenFile takes is tried";
    for (const auto& [share, problem] : {std::pair<DWORD, TraceLoadProblem>{FILE_SHARE_READ | FILE_SHARE_WRITE, TraceLoadProblem::None},
                                         {0, TraceLoadProblem::Unreadable}}) {
        const UniqueHandle writer(CreateFileW(log_.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.Valid());
        const TraceLoadResult loaded = LoadTraceLogFile(log_, {});
        EXPECT_EQ(std::tuple(loaded.status.problem, loaded.status.loaded, loaded.status.systemText.empty()),
                  std::tuple(problem, std::size_t{share != 0 ? kRecords.size() : 0u}, share != 0));
    }
    const TraceLoadResult loaded = LoadTraceLogFile(log_, {});
    EXPECT_TRUE(loaded.log && DeleteFileW(log_.c_str())) << "the snapshot holds no handle: " << GetLastError();
}

// The dialog without a modal loop of its own, shown, on the log at `path`. Left open to the end of the process
// (under Wine, destroying a shown window costs two seconds), so the path it remembers outlives the test too.
struct ModelessDialog {
    HWND dialog;
    std::wstring& remembered;
};

// Pumps the thread's messages as a dialog's loop does, 10 ms at a time, until `done` or 30 seconds have passed.
void PumpUntil(const std::function<bool()>& done)
{
    for (int wait = 0; wait < 3000 && !done(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            if (!IsDialogMessageW(GetAncestor(message.hwnd, GA_ROOT), &message)) DispatchMessageW(&message);
    }
}

void AwaitIdle(HWND dialog) { PumpUntil([dialog] { return !IsTraceLogBusy(dialog); }); }

ModelessDialog OpenModeless(const std::wstring& path)
{
    static std::list<std::wstring> remembered;
    std::wstring& kept = remembered.emplace_back(path);
    TraceLogDialogContext context{false, &kept};
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), {}, TraceLogDialogProc,
                                     LPARAM(&context));
    ShowWindow(dialog, SW_SHOW);
    AwaitIdle(dialog);
    return {dialog, kept};
}

// Calls `then` from the modal loop's timer once the dialog's worker is idle, or after 30 seconds.
void WhenIdle(HWND dialog, std::function<void(HWND)> then)
{
    static std::function<void(HWND)> pending;
    static int ticks = 0;
    pending = std::move(then), ticks = 0;
    SetTimer(dialog, 77, 10, [](HWND window, UINT, UINT_PTR id, DWORD) {
        if (IsTraceLogBusy(window) && ++ticks < 3000) return;
        KillTimer(window, id);
        pending(window);
    });
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
        std::optional<SeenDialog> loaded;
        DialogWatcher watcher([&](HWND dialog) {
            path = WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH));
            EXPECT_EQ(GetPropW(dialog, L"VistaDialog"), HANDLE(1));
            WhenIdle(dialog, [&](HWND idle) { loaded.emplace(idle), PostMessageW(idle, WM_COMMAND, IDCANCEL, 0); });
        });
        EXPECT_TRUE(ShowTraceLogDialog(nullptr, context));  // returns only once the dialog has ended
        ASSERT_TRUE(loaded.has_value());
        const SeenDialog& seen = *loaded;
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

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void ChooseFilter(HWND dialog, int list, const wchar_t* text)
{
    SendMessageW(Control(dialog, list), CB_SELECTSTRING, WPARAM(-1), LPARAM(text));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), LPARAM(Control(dialog, list)));
    AwaitIdle(dialog);
}

// The row colours and the flags panel are drawn in the end-to-end run (tests/e2e). The shown log is a snapshot:
// the driver may cut its file short or delete it meanwhile; F5, wherever the focus is, reads it afresh with both
// filters back to "*"; "..." loads the chosen file with the filters reset.
TEST_F(TraceLogDialog, AFilterF5AndTheFileChooserReachTheDialog)
{
    const ModelessDialog opened = OpenModeless(log_);
    HWND dialog = opened.dialog;
    std::wstring& remembered = opened.remembered;
    ASSERT_NE(dialog, nullptr);
    HWND deviceFilter = Control(dialog, IDC_TRACE_LOG_DEVICE_FILTER), status = Control(dialog, IDC_TRACE_LOG_STATUS);
    const auto choose = [dialog](std::function<void(HWND)> answer) {  // with the file dialog that "..." opens
        DialogWatcher watcher(std::move(answer));
        SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_CHOOSE, LPARAM(Control(dialog, IDC_TRACE_LOG_CHOOSE)));
        AwaitIdle(dialog);
        return watcher.seen.size();
    };
    const auto pressF5 = [dialog](int in) { SendMessageW(Control(dialog, in), WM_KEYDOWN, VK_F5, 0), AwaitIdle(dialog); };
    ChooseFilter(dialog, IDC_TRACE_LOG_DEVICE_FILTER, L"HarddiskVolume10");
    EXPECT_EQ(choose([](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); }), 1u);
    EXPECT_EQ(std::tuple(remembered, Column(SeenDialog(dialog), 5), WindowText(status)),
              std::tuple(log_, Texts{L"HarddiskVolume10", L"HarddiskVolume10"}, L"2 of 5 records")) << "filtered, then cancelled";

    UniqueHandle driver(CreateFileW(log_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    const Bytes three = TraceLogBytes({kRecords[0], kRecords[1], kRecords[2]});
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(driver.Get(), three.data(), DWORD(three.size()), &written, nullptr));
    EXPECT_TRUE(SetEndOfFile(driver.Get())) << "the driver cuts its log short: " << GetLastError();
    pressF5(IDC_TRACE_LOG_THREAD_FILTER);
    EXPECT_EQ(std::tuple(Column(SeenDialog(dialog), 5).size(), WindowText(deviceFilter), WindowText(status)),
              std::tuple(std::size_t{3}, std::wstring(L"*"), std::wstring(L"3 of 3 records")));
    EXPECT_TRUE(DeleteFileW(log_.c_str())) << "the driver deletes its log: " << GetLastError();
    driver.Reset();
    pressF5(IDC_TRACE_LOG_TABLE);
    EXPECT_EQ(std::pair(Column(SeenDialog(dialog), 5).size(), WindowText(status)), std::pair(std::size_t{0}, std::wstring(L"No such file.")));

    const std::wstring second = folder_.Make(L"second.log");
    WriteLog(second, TraceLogBytes({Record(1, 3, 0x77)}));
    EXPECT_EQ(choose([&](HWND chooser) {
        SetDlgItemTextW(chooser, 0x480, second.c_str());  // the file dialog's name box (edt1)
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    }), 1u);
    EXPECT_EQ(_wcsicmp(remembered.c_str(), second.c_str()), 0) << remembered.c_str();
    EXPECT_EQ(WindowText(Control(dialog, IDC_TRACE_LOG_PATH)), remembered);
    EXPECT_EQ(SendMessageW(deviceFilter, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"HarddiskVolume3")), 1)
        << "the filter list rebuilt: *, then the new log's device";
    EXPECT_EQ(Column(SeenDialog(dialog), 8), Texts{L"0x00000077"});
}

// A log on a share that does not answer (a pipe that never writes): the dialog waits with the wait cursor and
// keeps answering; Escape stops the load at once and leaves an empty table under the log's path.
TEST_F(TraceLogDialog, ALogThatDoesNotAnswerNeverHoldsTheDialog)
{
    const std::wstring pipe = L"\\Device\\NamedPipe\\trackkit-hung-" + std::to_wstring(GetCurrentProcessId());
    const UniqueHandle server(CreateNamedPipeW((L"\\\\.\\pipe" + pipe.substr(pipe.rfind(L'\\'))).c_str(), PIPE_ACCESS_OUTBOUND,
                                               PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr));
    ASSERT_TRUE(server.Valid());
    std::wstring remembered = pipe;
    TraceLogDialogContext context{false, &remembered, nullptr, false};
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), {}, TraceLogDialogProc,
                                     LPARAM(&context));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(IsTraceLogBusy(dialog)) << "the pipe never writes";
    SendMessageW(dialog, WM_SETCURSOR, WPARAM(dialog), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(std::pair(GetCursor(), WindowText(Control(dialog, IDC_TRACE_LOG_STATUS))),
              std::pair(LoadCursorW(nullptr, IDC_WAIT), std::wstring(L"Loading...")));
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // returns: the dialog waits for nothing
    EXPECT_EQ(std::tuple(IsTraceLogBusy(dialog), IsWindow(dialog) != FALSE, WindowText(Control(dialog, IDC_TRACE_LOG_STATUS)),
                         WindowText(Control(dialog, IDC_TRACE_LOG_PATH))),
              std::tuple(false, true, std::wstring(L"Loading cancelled."), pipe));
    DestroyWindow(dialog);
}

// The dialog opens where it was closed, when that is on a screen, and stores where it is closed, maximised too;
// a rectangle off every screen lets the system place it.
TEST_F(TraceLogDialog, OpensWhereItWasClosedAndStoresWhereItIsClosed)
{
    const struct { RECT kept; bool restored; bool maximised; } cases[] = {
        {{40, 30, 940, 630}, true, false}, {{-5000, 30, -4100, 630}, false, false}, {{40, 30, 940, 630}, true, true}};
    for (const auto& c : cases) {
        AppSettings settings{};
        settings.traceLogLeft = c.kept.left, settings.traceLogTop = c.kept.top;
        settings.traceLogWidth = c.kept.right - c.kept.left, settings.traceLogHeight = c.kept.bottom - c.kept.top;
        TraceLogDialogContext context{false, nullptr, &settings};
        RECT shown{};
        DialogWatcher watcher([&](HWND dialog) {
            GetWindowRect(dialog, &shown);
            SetWindowPos(dialog, nullptr, 50, 60, 800, 500, SWP_NOZORDER);
            if (c.maximised) ShowWindow(dialog, SW_MAXIMIZE);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowTraceLogDialog(nullptr, context);
        EXPECT_EQ(EqualRect(&shown, &c.kept) != FALSE, c.restored) << c.kept.left;
        EXPECT_EQ(std::tuple(settings.traceLogLeft, settings.traceLogTop, settings.traceLogWidth, settings.traceLogHeight),
                  std::tuple(50, 60, 800, 500)) << c.maximised;
    }
}

// A dialog whose record cannot be made (memory ran out) ends at once with -1, so its owner can be used again.
struct RecordThatCannotBeMade {
    static std::unique_ptr<RecordThatCannotBeMade> Create(HWND, LPARAM) { throw std::bad_alloc(); }
};
INT_PTR NothingHandled(RecordThatCannotBeMade&, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(DialogRecord, ADialogWhoseRecordCannotBeMadeEndsWithMinusOne)
{
    HWND owner = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, {}, {}, {}, {});
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), owner,
                              RecordDialogProc<RecordThatCannotBeMade, NothingHandled>, 0), -1);
    EXPECT_TRUE(IsWindowEnabled(owner));
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

// Runs TrackKitCmdDemo.exe (built beside this test) with the arguments and
// waits for it: its exit code, or ~0 when it did not start or end.
DWORD RunConsoleProgram(const std::wstring& arguments)
{
    std::wstring program = L"" TRACKKIT_CONSOLE_PROGRAM;
    std::replace(program.begin(), program.end(), L'/', L'\\');
    if (program.starts_with(L"\\"))
        program = L"Z:" + program;  // a path of the build machine, through Wine's drive for its root
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        return ~DWORD{0};
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    DWORD code = ~DWORD{0};
    if (WaitForSingleObject(process.Get(), 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &code);
    return code;
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
    HWND table = Control(dialog, IDC_TRACE_LOG_TABLE), bar = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
    PressWithControl(table, 'F');
    ASSERT_TRUE(IsWindowVisible(bar));
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"0x000001a4");
    const struct { UINT key; bool shift; std::vector<int> selected; } steps[] = {
        {VK_RETURN, false, {1}}, {VK_F3, false, {3}}, {VK_F3, true, {1}}};
    for (const auto& step : steps) {
        BYTE keys[256] = {};
        keys[VK_SHIFT] = step.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(step.key == VK_RETURN ? Control(bar, IDC_FIND_BAR_TEXT) : table, WM_KEYDOWN, step.key, 0);
        AwaitIdle(dialog);
        EXPECT_EQ(SelectedRows(table), step.selected) << step.key << step.shift;
    }
    SetKeyboardState(std::array<BYTE, 256>{}.data());
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"nothing like it");
    SendMessageW(Control(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_RETURN, 0);
    AwaitIdle(dialog);
    EXPECT_EQ(std::pair(SelectedRows(table), WindowText(Control(bar, IDC_FIND_BAR_NOTE))),
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
        SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_SAVE_AS, LPARAM(Control(dialog, IDC_TRACE_LOG_SAVE_AS)));
    }
    HWND status = Control(dialog, IDC_TRACE_LOG_STATUS);
    AwaitIdle(dialog);
    EXPECT_EQ(WindowText(status), L"5 rows saved to " + saved);
    const Bytes log = TraceLogBytes(kRecords);
    const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(log), {});
    const std::vector<TraceColumn> columns{TraceColumn::Date, TraceColumn::Time, TraceColumn::Function,
        TraceColumn::LineNumber, TraceColumn::Status, TraceColumn::DeviceName, TraceColumn::Drive, TraceColumn::Flags,
        TraceColumn::ThreadId};
    WindowsTraceTimeText timeText(true);
    std::string expected;
    WriteCsvRows(index, *SelectRows(index, {}), columns, timeText, [&](std::string_view b) { expected += b; return true; }, {});
    EXPECT_EQ(test::FileBytes(saved), expected);

    // The console program saves the same bytes from the same log.
    const std::wstring console = folder_.Make(L"console.csv");
    EXPECT_EQ(RunConsoleProgram(L"trace-log --log \"" + log_ + L"\" --csv \"" + console + L"\""), 0u);
    EXPECT_EQ(test::FileBytes(console), expected);
}

// A log of 200,000 records, record i with flags i, whose latest record (1000) lies in its middle: the table holds
// them all; a hit is selected in the middle of the table in the highlight colours while the find bar has the focus;
// the flags panel follows the row selected last and keeps it; Ctrl+A and Ctrl+C take every row on the worker;
// ThreadId's header sorts; Escape stops a search without reaching the dialog.
TEST_F(TraceLogDialog, ALargeLogWorksOnTheWorkerAndTheDialogKeepsAnswering)
{
    std::vector<TraceRecord> records;
    for (std::uint32_t i = 0; i < 200000; ++i) records.push_back(MakeRecord(Record(i, 0, 0).timestamp, i % 7, i % 64, i));
    records[1000].threadId = 0x99999, records[100000].threadId = 0x77777;
    records[1000].timestamp = Record(300000, 0, 0).timestamp + 1234567;  // milliseconds too
    WriteLog(log_, TraceLogBytes(records));
    HWND dialog = OpenModeless(log_).dialog;
    ASSERT_NE(dialog, nullptr);
    SetWindowPos(dialog, nullptr, 0, 0, 1000, 760, SWP_NOZORDER);
    HWND table = Control(dialog, IDC_TRACE_LOG_TABLE), bar = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
    ASSERT_EQ(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0), 200000);
    SendMessageW(table, LVM_ENSUREVISIBLE, 199999, FALSE);
    TraceColumnTexts expected;
    WindowsTraceTimeText timeText;
    FormatColumnTexts(records[1000], timeText, expected);
    for (std::size_t column = 0; column < kTraceColumnCount; ++column)
        EXPECT_EQ(ListItemText(table, 199999, int(column)), ColumnText(expected, TraceColumn(column))) << column;

    PressWithControl(table, 'F');
    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"0x00077777");
    SendMessageW(Control(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_RETURN, 0);
    AwaitIdle(dialog);
    const int perPage = int(SendMessageW(table, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_EQ(std::tuple(SelectedRows(table), SendMessageW(table, LVM_GETTOPINDEX, 0, 0), GetFocus()),
              std::tuple(std::vector{99999}, LRESULT(99999 - perPage / 2), Control(bar, IDC_FIND_BAR_TEXT)));
    RECT date{};
    date.left = LVIR_LABEL;
    SendMessageW(table, LVM_GETITEMRECT, 99999, LPARAM(&date));  // the Date cell: its text, then blank
    RedrawWindow(table, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const WindowDc screen(table);
    EXPECT_EQ(GetPixel(screen.Get(), date.right - 3, (date.top + date.bottom) / 2), GetSysColor(COLOR_HIGHLIGHT));

    const auto selectRow = [table](int row, bool selected) {
        LVITEMW state{};
        state.state = selected ? LVIS_SELECTED : 0, state.stateMask = LVIS_SELECTED;
        SendMessageW(table, LVM_SETITEMSTATE, WPARAM(row), LPARAM(&state));
    };
    selectRow(5, true), selectRow(9, true);
    const std::uint32_t afterTwo = TraceLogPanelFlags(dialog);
    selectRow(-1, false);
    ChooseFilter(dialog, IDC_TRACE_LOG_THREAD_FILTER, L"0x00000003");
    EXPECT_EQ(std::pair(afterTwo, TraceLogPanelFlags(dialog)), std::pair(9u, 9u)) << "the row selected last, kept";

    ChooseFilter(dialog, IDC_TRACE_LOG_THREAD_FILTER, L"*");
    selectRow(0, true);
    SendMessageW(table, LVM_SETSELECTIONMARK, 0, 0);
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(table, WM_KEYDOWN, VK_END, 0);  // Shift+End: the rest of the rows, the last record (1000) the last
    SetKeyboardState(std::array<BYTE, 256>{}.data());
    EXPECT_EQ(std::pair(SendMessageW(table, LVM_GETSELECTEDCOUNT, 0, 0), TraceLogPanelFlags(dialog)), std::pair(LRESULT(200000), 1000u));
    selectRow(0, false);
    PressWithControl(table, 'A');
    PressWithControl(table, 'C');
    EXPECT_TRUE(IsTraceLogBusy(dialog)) << "200,000 rows are copied on the worker";
    AwaitIdle(dialog);
    const std::wstring copied = ClipboardText();
    EXPECT_EQ(std::pair(SendMessageW(table, LVM_GETSELECTEDCOUNT, 0, 0), std::count(copied.begin(), copied.end(), L'\n')),
              std::pair(LRESULT(200000), std::ptrdiff_t{200001}));

    HWND header = HWND(SendMessageW(table, LVM_GETHEADER, 0, 0));
    for (const auto& [rowZero, arrow] : {std::pair(L"0x00000000", HDF_SORTUP), std::pair(L"0x00099999", HDF_SORTDOWN)}) {
        NMLISTVIEW click{};
        click.hdr = {table, IDC_TRACE_LOG_TABLE, LVN_COLUMNCLICK}, click.iItem = -1, click.iSubItem = 8;
        SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, LPARAM(&click));
        AwaitIdle(dialog);
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, 8, LPARAM(&item));
        EXPECT_EQ(std::pair(ListItemText(table, 0, 8), item.fmt & (HDF_SORTUP | HDF_SORTDOWN)), std::pair(std::wstring(rowZero), arrow));
    }

    SetDlgItemTextW(bar, IDC_FIND_BAR_TEXT, L"nothing like it");
    SendMessageW(Control(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(IsTraceLogBusy(dialog) && WindowText(Control(bar, IDC_FIND_BAR_NOTE)).starts_with(L"Searching..."));
    PostMessageW(Control(bar, IDC_FIND_BAR_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
    AwaitIdle(dialog);
    PumpUntil([] { MSG left; return !PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE); });
    EXPECT_EQ(std::tuple(IsWindowVisible(dialog) != FALSE, IsWindowVisible(bar) != FALSE, WindowText(Control(bar, IDC_FIND_BAR_NOTE))),
              std::tuple(true, true, std::wstring())) << "the search stopped; the bar and the dialog stay";
}

} // namespace
} // namespace trackkit
