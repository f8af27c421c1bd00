// The trace log's Windows side for real: DebugLogPath, NtOpenFile, the time texts and the
// "CBT Trace Log" dialog from the program's resources. The rules are tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "resources/resource_ids.h"
#include "shell/dark_mode.h"
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

// A registry value a test sets, put back as it was: old data restored, or value (and a new key) removed.
struct SavedRegistryValue {
    SavedRegistryValue(HKEY root, std::wstring_view key, std::wstring_view name) : root_(root), key_(key), name_(name)
    {
        HKEY opened = nullptr;
        keyExisted_ = RegOpenKeyExW(root, key_.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS;
        DWORD size = 0;
        valueExisted_ = keyExisted_ && RegQueryValueExW(opened, name_.c_str(), nullptr, &type_, nullptr, &size) == 0;
        data_.resize(size);
        RegQueryValueExW(opened, name_.c_str(), nullptr, &type_, data_.data(), &size);  // nothing on a null key
        RegCloseKey(opened);
    }
    ~SavedRegistryValue()
    {
        if (valueExisted_)
            Set(type_, data_);
        else if (RegDeleteKeyValueW(root_, key_.c_str(), name_.c_str()) == ERROR_SUCCESS && !keyExisted_)
            RegDeleteKeyW(root_, key_.c_str());
    }
    bool Set(DWORD type, const Bytes& data) const
    {
        return RegSetKeyValueW(root_, key_.c_str(), name_.c_str(), type, data.data(), DWORD(data.size())) == 0;
    }
    HKEY root_;
    std::wstring key_, name_;
    bool keyExisted_ = false, valueExisted_ = false;
    DWORD type_ = REG_NONE;
    Bytes data_;
};

Bytes Utf16(const std::wstring& text, std::size_t terminators = 1)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return Bytes(bytes, bytes + 2 * (text.size() + terminators));
}

TraceRecord Record(std::uint64_t seconds, std::uint32_t device, std::uint32_t thread, std::uint32_t flags)
{
    return MakeRecord(133541199300000000ull + seconds * 10000000ull, device, thread, flags, "CbtWrite");
}

// In file order; listed in time order they are 1, 2, 4, 0, 3.
const std::vector<TraceRecord> kRecords = {
    Record(300, 2, 0x1A4, 0x40001000),      // online: green
    Record(100, 12345, 0x2B0, 0x80001004),  // shutdown, shadow copy: red
    Record(200, 10, 0x1A4, 0x00000000),
    Record(400, 1, 0x3C8, 0xFFFFFFFB),
    Record(250, 10, 0x2B0, 0x00001000),
};

void WriteLog(const std::wstring& path, const Bytes& bytes) { test::WriteFile(path, {bytes.begin(), bytes.end()}); }
DWORD OpenError(const std::wstring& path) { return OpenTraceLog(path).Valid() ? 0 : GetLastError(); }

TEST(OpenTraceLog, OpensDrivePathsAndNtPathsReadsBesideAWriterAndReportsFailuresAsCodes)
{
    const test::TempFolder folder;
    const std::wstring log = folder.Make(L"qxcbt.log");
    WriteLog(log, TraceLogBytes({MakeRecord(1, 2, 3)}));
    EXPECT_EQ(OpenError(L"\\??\\" + log), 0u);  // and drive paths, as the dialog's test shows
    EXPECT_EQ(OpenError(L""), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(OpenError(folder.Make(L"missing.log")), 0xD0000034u);  // STATUS_OBJECT_NAME_NOT_FOUND as an error
    EXPECT_NE(OpenError(folder.Path()), 0u) << "a folder is not a log";
    // The longest name NtOpenFile can take is tried, not refused beforehand.
    EXPECT_NE(OpenError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a')), DWORD{ERROR_INVALID_PARAMETER});
    {
        const UniqueHandle writer(CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.Valid());
        EXPECT_EQ(LocateTraceRecords(ReadTraceLogSnapshot(log).Bytes()).count, 1u);
    }
    const UniqueHandle exclusive(CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive.Valid());
    EXPECT_EQ(ReadTraceLogSnapshot(log).error, 0xD0000043u);  // STATUS_SHARING_VIOLATION
}

TEST(DebugLogPath, TakesTheValueOfAnyTypeAndNothingTooShortTooLongOrMissing)
{
    const SavedRegistryValue value(HKEY_LOCAL_MACHINE, kServiceKeyPath, kDebugLogPathValue);
    const struct { DWORD type; Bytes bytes; std::optional<std::wstring> read; } cases[] = {
        {REG_SZ, Utf16(L"C:\\ProgramData\\qxcbt.log"), L"C:\\ProgramData\\qxcbt.log"},
        {REG_BINARY, Utf16(L"\\??\\C:\\x.log"), L"\\??\\C:\\x.log"},
        {REG_SZ, Utf16(L"C:\\x", 0), std::nullopt},  // 8 bytes
        {REG_SZ, Utf16(std::wstring(259, L'a')), std::wstring(259, L'a')},
        {REG_SZ, Utf16(std::wstring(260, L'a')), std::nullopt},  // 522 bytes: more than the buffer
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(value.Set(c.type, c.bytes));
        EXPECT_EQ(ReadDebugLogPath(), c.read) << c.bytes.size() << " bytes";
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath).c_str(), kDebugLogPathValue.data());
    EXPECT_EQ(ReadDebugLogPath(), std::nullopt);
}

TEST(WindowsTraceTimeText, FormatsTheStoredTimeWithoutZoneAndRefusesWhatCannotConvert)
{
    wchar_t date[TraceColumnTexts::kDateChars], time[TraceColumnTexts::kTimeChars];
    ASSERT_TRUE(WindowsTraceTimeText().Format(133541200300000000ull, date, time));  // 2024-03-05 13:47:10
    EXPECT_NE(std::wstring(date).find(L"2024"), std::wstring::npos) << date;
    EXPECT_NE(std::wstring(time).find(L"47:10"), std::wstring::npos) << time;
    EXPECT_FALSE(WindowsTraceTimeText().Format(1ull << 63, date, time));
}

HWND Table(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_TABLE); }
HWND DeviceFilter(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER); }
int RowCount(HWND dialog) { return static_cast<int>(SendMessageW(Table(dialog), LVM_GETITEMCOUNT, 0, 0)); }
std::wstring PathText(HWND dialog) { return WindowText(GetDlgItem(dialog, IDC_TRACE_LOG_PATH)); }

Texts Column(HWND dialog, int column)
{
    Texts texts;
    for (int row = 0; row < RowCount(dialog); ++row)
        texts.push_back(ListItemText(Table(dialog), row, column));
    return texts;
}

void ChooseDevice(HWND dialog, const std::wstring& text)
{
    SendMessageW(DeviceFilter(dialog), CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_DEVICE_FILTER, CBN_SELCHANGE), LPARAM(DeviceFilter(dialog)));
}

// The file dialog that "..." opens, answered by `answer` once it is up; how many dialogs came up.
std::size_t ClickChoose(HWND dialog, std::function<void(HWND)> answer)
{
    DialogWatcher watcher(std::move(answer));
    SendMessageW(dialog, WM_COMMAND, IDC_TRACE_LOG_CHOOSE, LPARAM(GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE)));
    return watcher.seen.size();
}

// Whether the flags panel, drawn into a bitmap as WM_DRAWITEM asks, has anything but the window colour.
bool PanelHasInk(HWND dialog)
{
    HWND panel = GetDlgItem(dialog, IDC_TRACE_LOG_FLAGS_PANEL);
    RECT rect{};
    GetClientRect(panel, &rect);
    const MemoryDc dc(nullptr);
    const UniqueBitmap bitmap(CreateBitmap(rect.right, rect.bottom, 1, 32, nullptr));
    const SelectedObject selected(dc.Get(), bitmap.Get());
    DRAWITEMSTRUCT item{ODT_BUTTON, IDC_TRACE_LOG_FLAGS_PANEL, 0, ODA_DRAWENTIRE, 0, panel, dc.Get(), rect, 0};
    SendMessageW(dialog, WM_DRAWITEM, IDC_TRACE_LOG_FLAGS_PANEL, reinterpret_cast<LPARAM>(&item));
    for (int y = 9; y < rect.bottom - 9; ++y)
        for (int x = 9; x < rect.right - 9; ++x)
            if (GetPixel(dc.Get(), x, y) != GetSysColor(COLOR_WINDOW))
                return true;
    return false;
}

constexpr int kThreadIdColumn = 8;

class TraceLogDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(debugLogPath_.Set(REG_SZ, Utf16(L"x")));  // too short to be used: not the machine's own
        ASSERT_TRUE(darkMode_.Set(REG_DWORD, {0, 0, 0, 0}));  // light
        WriteLog(log_, TraceLogBytes(kRecords));
        TraceLogPath() = log_;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }

    test::TempFolder folder_;
    const std::wstring log_ = folder_.Make(L"qxcbt-trace.log");
    SavedRegistryValue debugLogPath_{HKEY_LOCAL_MACHINE, kServiceKeyPath, kDebugLogPathValue};
    SavedRegistryValue darkMode_{HKEY_CURRENT_USER, kSharedSettingsKeyPath, kDarkModeValue};
};

// The log named in the registry by a drive path or an NT path, listed in time
// order; a log that cannot be read leaves an empty table and no message box.
TEST_F(TraceLogDialog, OpensModallyFromItsResourceListingTheRegisteredLogAndClosesOnCancel)
{
    test::WriteFile(folder_.Make(L"corrupt.log"), "not a trace log");
    const Texts all{L"0x000002B0", L"0x000001A4", L"0x000002B0", L"0x000001A4", L"0x000003C8"};
    const struct { std::wstring path; Texts threadIds; } cases[] = {
        {log_, all}, {L"\\??\\" + log_, all}, {folder_.Make(L"corrupt.log"), {}}, {folder_.Make(L"missing.log"), {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(debugLogPath_.Set(REG_SZ, Utf16(c.path)));
        std::wstring path;
        Texts threadIds;
        HANDLE vistaDialog = nullptr;
        DialogWatcher watcher([&](HWND dialog) {
            path = PathText(dialog);
            threadIds = Column(dialog, kThreadIdColumn);
            vistaDialog = GetPropW(dialog, L"VistaDialog");
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowTraceLogDialog(nullptr);  // returns only once the dialog has ended
        ASSERT_EQ(watcher.seen.size(), 1u) << "no message box";
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(threadIds, c.threadIds);
        EXPECT_EQ(vistaDialog, HANDLE(1));
        const SeenDialog& seen = watcher.seen[0];
        EXPECT_EQ(seen.title, L"CBT Trace Log");
        EXPECT_EQ(seen.fontFace, L"MS Shell Dlg");
        const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME;
        EXPECT_EQ(seen.style & frame, frame);
        EXPECT_EQ(seen.staticTexts, (Texts{L"Device Name:", L"ThreadId"}));
        EXPECT_EQ(seen.buttonIds, (std::vector<int>{IDC_TRACE_LOG_CHOOSE, IDC_TRACE_LOG_FLAGS_PANEL}));
        EXPECT_EQ(seen.columnTitles, (Texts{L"Date", L"Time", L"Function", L"Line Number", L"Status",
                                            L"DeviceName", L"Drive", L"Flags", L"ThreadId"}));
        EXPECT_EQ(seen.listStyle & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
                  LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    }
}

// Left open to the end of the process: under Wine, destroying a shown window costs two seconds.
TEST_F(TraceLogDialog, ColoursTheFlagsPanelFiltersF5AndTheFileChooserReachTheDialog)
{
    HWND dialog = CreateDialogW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr, TraceLogDialogProc);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    // The online record, fourth in time order, is drawn green; selected, its flags are named.
    LVITEMW online{};
    online.mask = LVIF_PARAM;
    online.iItem = 3;
    SendMessageW(Table(dialog), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&online));
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {Table(dialog), IDC_TRACE_LOG_TABLE, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, LPARAM(&draw)), CDRF_NOTIFYITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.lItemlParam = online.lParam;
    EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, LPARAM(&draw)), CDRF_NEWFONT);
    EXPECT_EQ(draw.clrTextBk, RGB(222, 247, 224));
    EXPECT_FALSE(PanelHasInk(dialog)) << "nothing selected yet";
    online.stateMask = online.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Table(dialog), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&online));
    EXPECT_TRUE(PanelHasInk(dialog));

    ChooseDevice(dialog, L"HarddiskVolume10");
    EXPECT_EQ(ClickChoose(dialog, [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); }), 1u);
    EXPECT_EQ(TraceLogPath(), log_) << "cancelled";
    EXPECT_EQ(Column(dialog, 5), (Texts{L"HarddiskVolume10", L"HarddiskVolume10"})) << "filtered, then cancelled";
    // The driver wrote on meanwhile: F5 in whichever control has the focus rereads the log.
    WriteLog(log_, TraceLogBytes({kRecords[0], kRecords[1], kRecords[2], kRecords[3], kRecords[4], Record(500, 7, 0, 0)}));
    SendMessageW(GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(RowCount(dialog), 6);
    EXPECT_EQ(SendMessageW(DeviceFilter(dialog), CB_GETCURSEL, 0, 0), 0) << "back on *";
    ChooseDevice(dialog, L"HarddiskVolume7");
    ASSERT_EQ(RowCount(dialog), 1);
    SendMessageW(Table(dialog), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(RowCount(dialog), 6);

    const std::wstring second = folder_.Make(L"second.log");
    WriteLog(second, TraceLogBytes({Record(1, 3, 0x77, 0)}));
    EXPECT_EQ(ClickChoose(dialog, [&](HWND chooser) {
        SetDlgItemTextW(chooser, 0x480, second.c_str());  // the file dialog's name box (edt1)
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    }), 1u);
    EXPECT_EQ(_wcsicmp(TraceLogPath().c_str(), second.c_str()), 0) << TraceLogPath().c_str();
    EXPECT_EQ(PathText(dialog), TraceLogPath());
    EXPECT_EQ(SendMessageW(DeviceFilter(dialog), CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"HarddiskVolume3")), 1)
        << "the filter list rebuilt: *, then the new log's device";
    EXPECT_EQ(Column(dialog, kThreadIdColumn), Texts{L"0x00000077"});
}

} // namespace
} // namespace trackkit
