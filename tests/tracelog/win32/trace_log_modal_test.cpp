// The dialog as the main frame opens it, modal, and the file chooser it
// opens in turn: both driven from inside by the dialogs they show.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/saved_registry_value.h"
#include "tracelog/win32/trace_dialog_fixture.h"

namespace trackkit {
namespace {

using namespace testing;

constexpr int kFileNameBox = 0x480;  // the file dialog's name box (edt1)

// The dialog reads the driver's DebugLogPath when it opens; an unusable value
// keeps the machine's own setting (make demo registers one) from replacing
// the log a test chose.
class UnusableDebugLogPath {
public:
    bool Set() const { return saved_.SetText(L"x"); }  // 4 bytes: too short to be used

private:
    SavedRegistryValue saved_{HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath), std::wstring(kDebugLogPathValue)};
};

TEST(ModalTraceLogDialog, OpensFromItsResourceAndClosesOnCancel)
{
    const UnusableDebugLogPath registry;
    ASSERT_TRUE(registry.Set());
    test::TempFolder folder;
    TraceLogPath() = folder.Make(L"qxcbt-trace.log");
    WriteLog(TraceLogPath(), KnownRecords());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

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
    EXPECT_EQ(seen.staticTexts, (std::vector<std::wstring>{L"Device Name:", L"ThreadId"}));
    EXPECT_EQ(seen.buttonIds, (std::vector<int>{IDC_TRACE_LOG_CHOOSE, IDC_TRACE_LOG_FLAGS_PANEL}));
    EXPECT_EQ(seen.columnTitles, (std::vector<std::wstring>{L"Date", L"Time", L"Function", L"Line Number", L"Status",
                                                            L"DeviceName", L"Drive", L"Flags", L"ThreadId"}));
    EXPECT_EQ(seen.rows.size(), 5u);
    EXPECT_EQ(seen.listStyle & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    EXPECT_NE(seen.listExStyle & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(vistaDialog, reinterpret_cast<HANDLE>(1));
}

// The file dialog that "..." opens, answered by `answer` once it is up.
std::vector<SeenDialog> ClickChoose(HWND dialog, std::function<void(HWND)> answer)
{
    DialogWatcher watcher(std::move(answer));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRACE_LOG_CHOOSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE)));
    return watcher.seen;
}

TEST(TraceLogFileChooser, CancellingChangesNothingAndAChosenFileLoadsWithTheFiltersReset)
{
    const UnusableDebugLogPath registry;
    ASSERT_TRUE(registry.Set());
    test::TempFolder folder;
    const std::wstring first = folder.Make(L"first.log");
    const std::wstring second = folder.Make(L"second.log");
    WriteLog(first, KnownRecords());
    WriteLog(second, {Record(1, 3, 0x77, 0, "CbtOther", 1, 0, u'C')});
    TraceLogPath() = first;
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, IDC_TRACE_LOG_PATH), first.c_str());
    ChooseFilter(dialog, DeviceFilter(dialog), L"HarddiskVolume10");
    ASSERT_EQ(RowCount(dialog), 2);

    const auto cancelled = ClickChoose(dialog, [](HWND chooser) {
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    EXPECT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(TraceLogPath(), first);
    EXPECT_EQ(SelectedText(DeviceFilter(dialog)), L"HarddiskVolume10");
    EXPECT_EQ(RowCount(dialog), 2);

    const auto chosen = ClickChoose(dialog, [&](HWND chooser) {
        SetDlgItemTextW(chooser, kFileNameBox, second.c_str());
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    EXPECT_EQ(chosen.size(), 1u);
    EXPECT_EQ(_wcsicmp(TraceLogPath().c_str(), second.c_str()), 0) << TraceLogPath().c_str();
    EXPECT_EQ(ControlText(dialog, IDC_TRACE_LOG_PATH), TraceLogPath());
    EXPECT_EQ(ListTexts(DeviceFilter(dialog)), (std::vector<std::wstring>{L"*", L"HarddiskVolume3"}));
    EXPECT_EQ(Column(dialog, kThreadIdColumn), std::vector<std::wstring>{L"0x00000077"});
}

} // namespace
} // namespace trackkit
