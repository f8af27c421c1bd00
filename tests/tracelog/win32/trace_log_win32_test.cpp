// The trace log's Windows side for real: DebugLogPath, NtOpenFile, the time texts and the
// "CBT Trace Log" dialog from the program's resources. The rules are tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "resources/resource_ids.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_location.h"
#include "tracelog/win32/trace_log_open.h"
#include "tracelog/win32/trace_log_snapshot.h"
#include "tracelog/win32/windows_trace_time_text.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::wstring>;

// A registry value a test sets, put back as it was: its old data, or none (nor its key, if new).
struct SavedRegistryValue {
    SavedRegistryValue(HKEY rootKey, std::wstring_view keyPath, std::wstring_view valueName)
        : root(rootKey), key(keyPath), name(valueName)
    {
        HKEY opened = nullptr;
        DWORD size = 0;
        keyExisted = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) == 0;
        if (keyExisted && RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size) == 0)
            RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.emplace(size).data(), &size);
        RegCloseKey(opened);
    }
    ~SavedRegistryValue()
    {
        if (data)
            Set(type, *data);
        else if (Delete() && !keyExisted)
            RegDeleteKeyW(root, key.c_str());
    }
    bool Set(DWORD newType, const Bytes& bytes) const
    {
        return RegSetKeyValueW(root, key.c_str(), name.c_str(), newType, bytes.data(), DWORD(bytes.size())) == 0;
    }
    bool Delete() const { return RegDeleteKeyValueW(root, key.c_str(), name.c_str()) == 0; }
    HKEY root;
    std::wstring key, name;
    bool keyExisted;
    DWORD type = REG_NONE;
    std::optional<Bytes> data;
};

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

TEST(OpenTraceLog, OpensNtPathsReadsBesideASharingWriterAndReportsFailuresAsCodes)
{
    const test::TempFolder folder;
    const std::wstring log = folder.Make(L"qxcbt.log");
    WriteLog(log, TraceLogBytes({MakeRecord(1, 2, 3)}));
    const auto openError = [](const std::wstring& path) { return OpenTraceLog(path).Valid() ? 0 : GetLastError(); };
    EXPECT_EQ(openError(L"\\??\\" + log), 0u);  // and drive paths, as the dialog's test shows
    EXPECT_EQ(openError(L""), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(openError(folder.Make(L"missing.log")), 0xD0000034u);  // STATUS_OBJECT_NAME_NOT_FOUND as an error
    EXPECT_NE(openError(folder.Path()), 0u) << "a folder is not a log";
    EXPECT_NE(openError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a')), DWORD{ERROR_INVALID_PARAMETER})
        << "the longest name NtOpenFile takes is tried, not refused beforehand";
    for (const auto& [share, error] : {std::pair<DWORD, std::uint32_t>{FILE_SHARE_READ | FILE_SHARE_WRITE, 0}, {0, 0xD0000043u}}) {
        const UniqueHandle writer(CreateFileW(log.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.Valid());
        const TraceLogSnapshot snapshot = ReadTraceLogSnapshot(log);
        EXPECT_EQ(snapshot.error, error);
        EXPECT_EQ(LocateTraceRecords(snapshot.Bytes()).count, error ? 0u : 1u);
    }
}

TEST(WindowsTraceTimeText, FormatsTheStoredTimeWithoutZoneAndRefusesWhatCannotConvert)
{
    wchar_t date[TraceColumnTexts::kDateChars], time[TraceColumnTexts::kTimeChars];
    ASSERT_TRUE(WindowsTraceTimeText().Format(133541200300000000ull, date, time));  // 2024-03-05 13:47:10
    EXPECT_NE(std::wstring(date).find(L"2024"), std::wstring::npos) << date;
    EXPECT_NE(std::wstring(time).find(L"47:10"), std::wstring::npos) << time;
    EXPECT_FALSE(WindowsTraceTimeText().Format(1ull << 63, date, time));
}

class TraceLogDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(debugLogPath_.Set(REG_SZ, Utf16(L"x")));  // too short to be used: not the machine's own
        WriteLog(log_, TraceLogBytes(kRecords));
        TraceLogPath() = log_;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }
    static Texts Column(HWND dialog, int column)
    {
        Texts texts;
        for (HWND table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE); int(texts.size()) < ListView_GetItemCount(table);)
            texts.push_back(ListItemText(table, int(texts.size()), column));
        return texts;
    }

    test::TempFolder folder_;
    const std::wstring log_ = folder_.Make(L"qxcbt-trace.log");
    SavedRegistryValue debugLogPath_{HKEY_LOCAL_MACHINE, kServiceKeyPath, kDebugLogPathValue};
};

// DebugLogPath, of any type, names the log by a drive or NT path; one too short, too long or missing
// leaves the path before. The log is listed; one that cannot be read leaves an empty table, no box.
TEST_F(TraceLogDialog, OpensModallyFromItsResourceListingTheRegisteredLogAndClosesOnCancel)
{
    const std::wstring corrupt = folder_.Make(L"corrupt.log"), missing = folder_.Make(L"missing.log");
    test::WriteFile(corrupt, "not a trace log");
    const Texts all{L"0x000002B0", L"0x000001A4", L"0x000002B0", L"0x000001A4", L"0x000003C8"};  // time order
    const std::wstring longest(259, L'a'), ntPath = L"\\??\\" + log_;
    const struct { DWORD type; Bytes value; std::wstring path; Texts threadIds; } cases[] = {
        {REG_SZ, Utf16(log_), log_, all}, {REG_BINARY, Utf16(ntPath), ntPath, all},
        {REG_SZ, Utf16(L"C:\\x", 0), log_, all},  // 8 bytes
        {REG_SZ, Utf16(longest), longest, {}}, {REG_SZ, Utf16(longest + L"a"), log_, all},  // 522 bytes: past the buffer
        {REG_NONE, {}, log_, all},  // missing
        {REG_SZ, Utf16(corrupt), corrupt, {}}, {REG_SZ, Utf16(missing), missing, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.size());
        TraceLogPath() = log_;
        ASSERT_TRUE(c.type == REG_NONE ? debugLogPath_.Delete() : debugLogPath_.Set(c.type, c.value));
        Texts path, threadIds;
        DialogWatcher watcher([&](HWND dialog) {
            path = {WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH))};
            threadIds = Column(dialog, 8);
            EXPECT_EQ(GetPropW(dialog, L"VistaDialog"), HANDLE(1));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowTraceLogDialog(nullptr);  // returns only once the dialog has ended
        ASSERT_EQ(watcher.seen.size(), 1u) << "no message box";
        EXPECT_EQ(path, Texts{c.path});
        EXPECT_EQ(threadIds, c.threadIds);
        const SeenDialog& seen = watcher.seen[0];
        EXPECT_EQ(seen.title + L"|" + seen.fontFace, L"CBT Trace Log|MS Shell Dlg");
        const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME;
        const LONG_PTR list = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
        EXPECT_EQ((std::pair{seen.style & frame, seen.listStyle & (list | LVS_TYPEMASK)}), (std::pair{frame, list}));
        EXPECT_EQ(seen.staticTexts, (Texts{L"Device Name:", L"ThreadId"}));
        EXPECT_EQ(seen.buttonIds, (std::vector<int>{IDC_TRACE_LOG_CHOOSE, IDC_TRACE_LOG_FLAGS_PANEL}));
        EXPECT_EQ(seen.columnTitles, (Texts{L"Date", L"Time", L"Function", L"Line Number", L"Status",
                                            L"DeviceName", L"Drive", L"Flags", L"ThreadId"}));
    }
}

// The row colours and the flags panel are drawn in the end-to-end run (tests/e2e). Left open to
// the end of the process: under Wine, destroying a shown window costs two seconds.
TEST_F(TraceLogDialog, AFilterF5AndTheFileChooserReachTheDialog)
{
    HWND dialog = CreateDialogW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr, TraceLogDialogProc);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    // The file dialog that "..." opens, answered by `answer` once it is up.
    HWND deviceFilter = GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER);
    const auto choose = [dialog](std::function<void(HWND)> answer) {
        DialogWatcher watcher(std::move(answer));
        SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_CHOOSE, LPARAM(GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE)));
        return watcher.seen.size();
    };
    SendMessageW(deviceFilter, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"HarddiskVolume10"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_DEVICE_FILTER, CBN_SELCHANGE), LPARAM(deviceFilter));
    EXPECT_EQ(choose([](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); }), 1u);
    EXPECT_EQ(TraceLogPath(), log_) << "cancelled";
    EXPECT_EQ(Column(dialog, 5), (Texts{L"HarddiskVolume10", L"HarddiskVolume10"})) << "filtered, then cancelled";
    // The driver wrote on meanwhile: F5 in whichever control has the focus rereads the log.
    WriteLog(log_, TraceLogBytes({kRecords[0], kRecords[1], kRecords[2], kRecords[3], kRecords[4], Record(500, 7, 0)}));
    SendMessageW(GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(Column(dialog, 5).size(), 6u);
    EXPECT_EQ(SendMessageW(deviceFilter, CB_GETCURSEL, 0, 0), 0) << "back on *";

    const std::wstring second = folder_.Make(L"second.log");
    WriteLog(second, TraceLogBytes({Record(1, 3, 0x77)}));
    EXPECT_EQ(choose([&](HWND chooser) {
        SetDlgItemTextW(chooser, 0x480, second.c_str());  // the file dialog's name box (edt1)
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    }), 1u);
    EXPECT_EQ(_wcsicmp(TraceLogPath().c_str(), second.c_str()), 0) << TraceLogPath().c_str();
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH)), TraceLogPath());
    EXPECT_EQ(SendMessageW(deviceFilter, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"HarddiskVolume3")), 1)
        << "the filter list rebuilt: *, then the new log's device";
    EXPECT_EQ(Column(dialog, 8), Texts{L"0x00000077"});
}

} // namespace
} // namespace trackkit
