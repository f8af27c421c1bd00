// The "CBT Trace Log" dialog built from the program's resources and run for
// real on a log of five known records: the registry value that names the
// log, the table, the filters, F5, the row colours, the flags panel and the
// file chooser. What the texts, filters, colours and layout should be is
// tested natively in tests/tracelog; these tests show that it gets through.
//
// Dialogs opened without a modal loop are left open to the end of the test
// process: under Wine, with no window manager on the virtual display,
// destroying a shown top-level window costs about two seconds.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "resources/resource_ids.h"
#include "shell/dark_mode.h"
#include "support/window_text.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/saved_registry_value.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracelog/win32/trace_log_location.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

using namespace testing;
using Texts = std::vector<std::wstring>;

constexpr int kThreadIdColumn = 8;

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
const Texts kAllDevices{L"*", L"HarddiskVolume1", L"HarddiskVolume10", L"HarddiskVolume2",
                        L"HarddiskVolumeShadowCopy12345"};

void WriteLog(const std::wstring& path, const std::vector<TraceRecord>& records)
{
    const std::vector<std::uint8_t> bytes = TraceLogBytes(records);
    test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

HWND Table(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_TABLE); }
HWND DeviceFilter(HWND dialog) { return GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER); }
int RowCount(HWND dialog) { return static_cast<int>(SendMessageW(Table(dialog), LVM_GETITEMCOUNT, 0, 0)); }

Texts Column(HWND dialog, int column)
{
    Texts texts;
    for (int row = 0; row < RowCount(dialog); ++row)
        texts.push_back(ListItemText(Table(dialog), row, column));
    return texts;
}

Texts ListTexts(HWND combo)
{
    Texts texts;
    for (int i = 0; i < static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
        wchar_t text[128] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 128)
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
    }
    return texts;
}

std::wstring PathText(HWND dialog)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, IDC_TRACE_LOG_PATH, text, 512);
    return text;
}

// Selects a filter text as the user would: the list tells the dialog.
void ChooseDevice(HWND dialog, const std::wstring& text)
{
    HWND combo = DeviceFilter(dialog);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_DEVICE_FILTER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

class TraceLogDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Nothing from the machine's own driver setting (make demo registers
        // one) reaches these tests: 4 bytes are too short to be used.
        ASSERT_TRUE(debugLogPath_.SetText(L"x"));
        WriteLog(log_, kRecords);
        TraceLogPath() = log_;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }

    static HWND Open()
    {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRACE_LOG), nullptr,
                                         TraceLogDialogProc, 0);
        if (dialog != nullptr)
            ShowWindow(dialog, SW_SHOW);
        return dialog;
    }

    test::TempFolder folder_;
    const std::wstring log_ = folder_.Make(L"qxcbt-trace.log");
    SavedRegistryValue debugLogPath_{HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath),
                                     std::wstring(kDebugLogPathValue)};
};

TEST_F(TraceLogDialog, TheModalDialogOpensFromItsResourceWithTheLogAndClosesOnCancel)
{
    HANDLE vistaDialog = nullptr;
    DialogWatcher watcher([&](HWND dialog) {
        vistaDialog = GetPropW(dialog, L"VistaDialog");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    ASSERT_TRUE(watcher.Hooked());
    ShowTraceLogDialog(nullptr);  // returns only once the dialog has ended

    ASSERT_EQ(watcher.seen.size(), 1u);
    const SeenDialog& seen = watcher.seen[0];
    EXPECT_EQ(seen.title, L"CBT Trace Log");
    EXPECT_EQ(seen.fontFace, L"MS Shell Dlg");
    const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME;
    EXPECT_EQ(seen.style & frame, frame);
    EXPECT_EQ(seen.staticTexts, (Texts{L"Device Name:", L"ThreadId"}));
    EXPECT_EQ(seen.buttonIds, (std::vector<int>{IDC_TRACE_LOG_CHOOSE, IDC_TRACE_LOG_FLAGS_PANEL}));
    EXPECT_EQ(seen.columnTitles, (Texts{L"Date", L"Time", L"Function", L"Line Number", L"Status", L"DeviceName",
                                        L"Drive", L"Flags", L"ThreadId"}));
    EXPECT_EQ(seen.rows.size(), 5u);
    EXPECT_EQ(seen.listStyle & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    EXPECT_EQ(vistaDialog, reinterpret_cast<HANDLE>(1));
}

TEST_F(TraceLogDialog, ListsTheRegisteredLogInTimeOrderFromADrivePathOrAnNtPath)
{
    for (const std::wstring& path : {log_, L"\\??\\" + log_}) {
        ASSERT_TRUE(debugLogPath_.SetText(path));
        HWND dialog = Open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(PathText(dialog), path);
        EXPECT_EQ(Column(dialog, kThreadIdColumn),
                  (Texts{L"0x000002B0", L"0x000001A4", L"0x000002B0", L"0x000001A4", L"0x000003C8"}));
        EXPECT_EQ(ListTexts(DeviceFilter(dialog)), kAllDevices);
    }
}

TEST_F(TraceLogDialog, AChosenFilterNarrowsTheTableAndF5RereadsTheLogWithTheFiltersReset)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ChooseDevice(dialog, L"HarddiskVolume10");
    EXPECT_EQ(Column(dialog, 5), (Texts{L"HarddiskVolume10", L"HarddiskVolume10"}));

    // The driver wrote on meanwhile; F5 in whichever control has the focus.
    std::vector<TraceRecord> more = kRecords;
    more.push_back(Record(500, 7, 0x2B0, 0));
    WriteLog(log_, more);
    SendMessageW(GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(RowCount(dialog), 6);
    EXPECT_EQ(SendMessageW(DeviceFilter(dialog), CB_GETCURSEL, 0, 0), 0) << "back on *";

    ChooseDevice(dialog, L"HarddiskVolume7");
    ASSERT_EQ(RowCount(dialog), 1);
    SendMessageW(Table(dialog), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(RowCount(dialog), 6);
}

// Top-level windows of this thread that are shown: a message box would be one.
int ShownThreadWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) {
            if (IsWindowVisible(window))
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(TraceLogDialog, AFileThatCannotBeReadLeavesAnEmptyTableAndNoMessage)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const int shown = ShownThreadWindows();

    std::vector<std::uint8_t> wrongMagic = TraceLogBytes(kRecords);
    wrongMagic[3] = 0x02;
    std::vector<std::uint8_t> cutHeader = TraceLogBytes({});
    cutHeader.resize(10);
    const struct {
        const wchar_t* name;
        std::vector<std::uint8_t> bytes;
        bool write;
        std::uint32_t expected;
    } cases[] = {
        {L"missing.log", {}, false, 0xC0000034 | 0x10000000},
        {L"empty.log", {}, true, kErrorFileInvalid},
        {L"wrong-magic.log", wrongMagic, true, kErrorFileInvalid},
        {L"cut-header.log", cutHeader, true, kErrorFileInvalid},
        {L"no-records.log", TraceLogBytes({}), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        TraceLogPath() = folder_.Make(c.name);
        if (c.write)
            test::WriteFile(TraceLogPath(), std::string(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(LoadTraceLog(dialog), c.expected);
        EXPECT_EQ(RowCount(dialog), 0);
        EXPECT_EQ(ListTexts(DeviceFilter(dialog)), kAllDevices) << "the lists keep their texts";
    }
    EXPECT_EQ(ShownThreadWindows(), shown);
}

TEST_F(TraceLogDialog, TheListAsksTheDialogForEachRowsColours)
{
    const SavedRegistryValue darkMode(HKEY_CURRENT_USER, std::wstring(kSharedSettingsKeyPath),
                                      std::wstring(kDarkModeValue));
    ASSERT_TRUE(darkMode.Set(REG_DWORD, {0, 0, 0, 0}));  // light
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const auto customDraw = [&](DWORD stage, LPARAM itemParameter) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = {Table(dialog), IDC_TRACE_LOG_TABLE, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = stage;
        draw.nmcd.lItemlParam = itemParameter;
        draw.clrTextBk = 0x00123456;
        const LRESULT result = SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, reinterpret_cast<LPARAM>(&draw));
        return std::make_pair(result, draw.clrTextBk);
    };
    LVITEMW green{};
    green.mask = LVIF_PARAM;
    green.iItem = 3;  // the online record, fourth in time order
    SendMessageW(Table(dialog), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&green));

    EXPECT_EQ(customDraw(CDDS_PREPAINT, 0).first, CDRF_NOTIFYITEMDRAW);
    EXPECT_EQ(customDraw(CDDS_ITEMPREPAINT, green.lParam), std::make_pair(LRESULT{CDRF_NEWFONT}, RGB(222, 247, 224)));
    EXPECT_EQ(customDraw(CDDS_ITEMPREPAINT, 999).first, CDRF_DODEFAULT) << "no such record";
}

// The flags panel drawn into a bitmap of its size, as WM_DRAWITEM asks:
// whether anything but the window colour lies inside its border.
bool PanelHasInk(HWND dialog)
{
    HWND panel = GetDlgItem(dialog, IDC_TRACE_LOG_FLAGS_PANEL);
    RECT rect{};
    GetClientRect(panel, &rect);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), rect.right, -rect.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const MemoryDc dc(nullptr);
    UniqueBitmap bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const SelectedObject selected(dc.Get(), bitmap.Get());
    DRAWITEMSTRUCT item{ODT_BUTTON, IDC_TRACE_LOG_FLAGS_PANEL, 0, ODA_DRAWENTIRE, 0, panel, dc.Get(), rect, 0};
    SendMessageW(dialog, WM_DRAWITEM, IDC_TRACE_LOG_FLAGS_PANEL, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const std::uint32_t background = GetRValue(window) << 16 | GetGValue(window) << 8 | GetBValue(window);
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int y = 9; y < rect.bottom - 9; ++y)
        for (int x = 9; x < rect.right - 9; ++x)
            if ((pixels[y * rect.right + x] & 0xFFFFFF) != background)
                return true;
    return false;
}

TEST_F(TraceLogDialog, TheFlagsPanelNamesTheSelectedRowsFlags)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(PanelHasInk(dialog)) << "nothing selected yet";

    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Table(dialog), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
    EXPECT_TRUE(PanelHasInk(dialog));
}

// The file dialog that "..." opens, answered by `answer` once it is up.
std::vector<SeenDialog> ClickChoose(HWND dialog, std::function<void(HWND)> answer)
{
    DialogWatcher watcher(std::move(answer));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_CHOOSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE)));
    return watcher.seen;
}

TEST_F(TraceLogDialog, TheFileChooserCancelledChangesNothingAndAChosenFileLoadsWithTheFiltersReset)
{
    const std::wstring second = folder_.Make(L"second.log");
    WriteLog(second, {Record(1, 3, 0x77, 0)});
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ChooseDevice(dialog, L"HarddiskVolume10");
    ASSERT_EQ(RowCount(dialog), 2);

    const auto cancelled = ClickChoose(dialog, [](HWND chooser) {
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    EXPECT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(TraceLogPath(), log_);
    EXPECT_EQ(RowCount(dialog), 2);

    const auto chosen = ClickChoose(dialog, [&](HWND chooser) {
        SetDlgItemTextW(chooser, 0x480, second.c_str());  // the file dialog's name box (edt1)
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    EXPECT_EQ(chosen.size(), 1u);
    EXPECT_EQ(_wcsicmp(TraceLogPath().c_str(), second.c_str()), 0) << TraceLogPath().c_str();
    EXPECT_EQ(PathText(dialog), TraceLogPath());
    EXPECT_EQ(ListTexts(DeviceFilter(dialog)), (Texts{L"*", L"HarddiskVolume3"}));
    EXPECT_EQ(Column(dialog, kThreadIdColumn), Texts{L"0x00000077"});
}

} // namespace
} // namespace trackkit
