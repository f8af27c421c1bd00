// The "CBT Trace Log" dialog built from the program's resources and run for
// real: the registry, the file, the table, the filters, the colours and the
// flags panel.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "shell/dark_mode.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/saved_registry_value.h"
#include "tracelog/win32/trace_dialog_fixture.h"

namespace trackkit {
namespace {

using namespace testing;
using Texts = std::vector<std::wstring>;

const Texts kAllDevices{L"*", L"HarddiskVolume1", L"HarddiskVolume10", L"HarddiskVolume2",
                        L"HarddiskVolumeShadowCopy12345"};
const Texts kAllThreads{L"*", L"0x000001A4", L"0x000002B0", L"0x000003C8"};

class TraceLogDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Nothing from the machine's own driver setting (make demo registers
        // one) reaches these tests: 4 bytes are too short to be used.
        ASSERT_TRUE(debugLogPath_.SetText(L"x"));
        WriteLog(log_, KnownRecords());
        TraceLogPath() = log_;
    }

    test::TempFolder folder_;
    const std::wstring log_ = folder_.Make(L"qxcbt-trace.log");
    SavedRegistryValue debugLogPath_{HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath),
                                     std::wstring(kDebugLogPathValue)};
};

TEST_F(TraceLogDialog, ListsTheRegisteredLogInTimeOrderFromADrivePathOrAnNtPath)
{
    TraceLogPath().clear();
    HWND unset = OpenTraceDialog();
    ASSERT_NE(unset, nullptr);
    EXPECT_EQ(ControlText(unset, IDC_TRACE_LOG_PATH), L"");
    EXPECT_EQ(RowCount(unset), 0);
    EXPECT_EQ(ListTexts(DeviceFilter(unset)), Texts{L"*"});

    for (const std::wstring& path : {log_, L"\\??\\" + log_}) {
        ASSERT_TRUE(debugLogPath_.SetText(path));
        HWND dialog = OpenTraceDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_TRACE_LOG_PATH), path);
        EXPECT_EQ(Column(dialog, kThreadIdColumn),
                  (Texts{L"0x000002B0", L"0x000001A4", L"0x000002B0", L"0x000001A4", L"0x000003C8"}));
        EXPECT_EQ(ListTexts(DeviceFilter(dialog)), kAllDevices);
        EXPECT_EQ(ListTexts(ThreadFilter(dialog)), kAllThreads);
        EXPECT_EQ(SelectedText(DeviceFilter(dialog)), L"*");
        EXPECT_EQ(SelectedText(ThreadFilter(dialog)), L"*");
    }
}

TEST_F(TraceLogDialog, ShowsEveryColumnOfARecord)
{
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    HWND table = Table(dialog);
    EXPECT_EQ(SendMessageW(table, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x10020);
    const int dpi = MeasureDpi(nullptr).x;
    const int baseWidths[] = {100, 100, 200, 100, 200, 200, 50, 100, 100};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(SendMessageW(table, LVM_GETCOLUMNWIDTH, column, 0), MulDiv(baseWidths[column], dpi, 96)) << column;

    ASSERT_EQ(RowCount(dialog), 5);
    EXPECT_NE(Cell(dialog, 0, 0).find(L"2024"), std::wstring::npos) << Cell(dialog, 0, 0);
    EXPECT_NE(Cell(dialog, 0, 1).find(L"47:10"), std::wstring::npos) << Cell(dialog, 0, 1);
    const Texts shutdownRow{L"CbtShutdown", L"-42", L"0xC0000022 (STATUS_ACCESS_DENIED)",
                            L"HarddiskVolumeShadowCopy12345", L"D:", L"0x80001004", L"0x000002B0"};
    const Texts unnamedRow{L"CbtFunctionNameThatFillsAllSixtyFourBytesOfItsFieldWithoutAnEnd",
                           L"7", L"0x20000000 ()", L"HarddiskVolume10", L"", L"0x00000000", L"0x000001A4"};
    for (int column = 2; column < 9; ++column) {
        EXPECT_EQ(Cell(dialog, 0, column), shutdownRow[column - 2]) << column;
        EXPECT_EQ(Cell(dialog, 1, column), unnamedRow[column - 2]) << column;
    }
}

TEST_F(TraceLogDialog, EachFilterNarrowsTheOtherListStaysAndF5ResetsAndRereads)
{
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);

    ChooseFilter(dialog, DeviceFilter(dialog), L"HarddiskVolume10");
    EXPECT_EQ(Column(dialog, 5), (Texts{L"HarddiskVolume10", L"HarddiskVolume10"}));
    EXPECT_EQ(ListTexts(ThreadFilter(dialog)), kAllThreads);
    ChooseFilter(dialog, ThreadFilter(dialog), L"0x000002B0");
    EXPECT_EQ(Column(dialog, kFlagsColumn), Texts{L"0x00001000"});
    EXPECT_EQ(ListTexts(DeviceFilter(dialog)), kAllDevices);

    // The driver wrote on meanwhile; F5 in whichever control has the focus.
    std::vector<TraceRecord> more = KnownRecords();
    more.push_back(Record(500, 7, 0x2B0, 0, "CbtLater", 1, 0, u'F'));
    WriteLog(log_, more);
    SendMessageW(ThreadFilter(dialog), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(SelectedText(DeviceFilter(dialog)), L"*");
    EXPECT_EQ(SelectedText(ThreadFilter(dialog)), L"*");
    EXPECT_EQ(RowCount(dialog), 6);
    EXPECT_EQ(ListTexts(DeviceFilter(dialog)).size(), kAllDevices.size() + 1);

    ChooseFilter(dialog, DeviceFilter(dialog), L"HarddiskVolume7");
    ASSERT_EQ(RowCount(dialog), 1);
    SendMessageW(Table(dialog), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(RowCount(dialog), 6);
    EXPECT_EQ(SelectedText(DeviceFilter(dialog)), L"*");
}

constexpr COLORREF kUntouched = 0x00123456;

struct DrawAnswer {
    LRESULT result;
    COLORREF text;
    COLORREF background;
};

DrawAnswer SendCustomDraw(HWND dialog, DWORD stage, LPARAM itemParameter)
{
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = Table(dialog);
    draw.nmcd.hdr.idFrom = IDC_TRACE_LOG_TABLE;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = stage;
    draw.nmcd.lItemlParam = itemParameter;
    draw.clrText = kUntouched;
    draw.clrTextBk = kUntouched;
    const LRESULT result = SendMessageW(dialog, WM_NOTIFY, IDC_TRACE_LOG_TABLE, reinterpret_cast<LPARAM>(&draw));
    return {result, draw.clrText, draw.clrTextBk};
}

TEST_F(TraceLogDialog, RowColoursComeFromTheFlagsAndFollowTheDarkModeSetting)
{
    SavedRegistryValue darkMode(HKEY_CURRENT_USER, std::wstring(kSharedSettingsKeyPath), std::wstring(kDarkModeValue));
    ASSERT_TRUE(darkMode.SetDword(0));
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    const LPARAM green = ItemParameter(dialog, RowWithFlags(dialog, L"0x40001000"));
    const LPARAM red = ItemParameter(dialog, RowWithFlags(dialog, L"0x80001004"));
    const LPARAM plain = ItemParameter(dialog, RowWithFlags(dialog, L"0x00000000"));

    EXPECT_EQ(SendCustomDraw(dialog, CDDS_PREPAINT, 0).result, CDRF_NOTIFYITEMDRAW);
    EXPECT_EQ(SendCustomDraw(dialog, CDDS_ITEMPREPAINT | CDDS_SUBITEM, green).result, CDRF_NEWFONT);
    EXPECT_EQ(SendCustomDraw(dialog, CDDS_POSTPAINT, green).result, 0);
    const DrawAnswer missing = SendCustomDraw(dialog, CDDS_ITEMPREPAINT, 999);
    EXPECT_EQ(missing.result, CDRF_DODEFAULT);
    EXPECT_EQ(missing.text, kUntouched);

    // Without the maker's theme the list stays white in dark mode, so a row
    // on the list's own background keeps dark text.
    const struct {
        LPARAM row;
        COLORREF light;
        COLORREF dark;
        COLORREF darkText;
    } rows[] = {{green, RGB(222, 247, 224), RGB(24, 92, 55), RGB(233, 234, 235)},
                {red, RGB(245, 218, 214), RGB(136, 20, 33), RGB(233, 234, 235)},
                {plain, kUntouched, kUntouched, RGB(8, 8, 8)}};
    for (const auto& row : rows) {
        const DrawAnswer answer = SendCustomDraw(dialog, CDDS_ITEMPREPAINT, row.row);
        EXPECT_EQ(answer.result, CDRF_NEWFONT);
        EXPECT_EQ(answer.text, RGB(8, 8, 8));
        EXPECT_EQ(answer.background, row.light);
    }

    ASSERT_TRUE(darkMode.SetDword(1));
    SendMessageW(dialog, WM_THEMECHANGED, 0, 0);
    for (const auto& row : rows) {
        const DrawAnswer answer = SendCustomDraw(dialog, CDDS_ITEMPREPAINT, row.row);
        EXPECT_EQ(answer.text, row.darkText);
        EXPECT_EQ(answer.background, row.dark);
    }
}

// The flags panel drawn into a bitmap of its size, as WM_DRAWITEM asks.
class PanelPicture {
public:
    explicit PanelPicture(HWND dialog)
    {
        HWND panel = GetDlgItem(dialog, IDC_TRACE_LOG_FLAGS_PANEL);
        RECT rect{};
        GetClientRect(panel, &rect);
        width_ = rect.right;
        height_ = rect.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const MemoryDc dc(nullptr);
        UniqueBitmap bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const SelectedObject selectBitmap(dc.Get(), bitmap.Get());
        const SelectedObject selectFont(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(panel, WM_GETFONT, 0, 0)));
        SIZE line{};
        GetTextExtentPoint32W(dc.Get(), L"Yy", 2, &line);
        lineHeight_ = line.cy;
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = IDC_TRACE_LOG_FLAGS_PANEL;
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = panel;
        item.hDC = dc.Get();
        item.rcItem = rect;
        SendMessageW(dialog, WM_DRAWITEM, IDC_TRACE_LOG_FLAGS_PANEL, reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
    }

    // Whether anything but the window colour lies in the band of text line
    // `line` of the column starting at x.
    bool InkOnLine(int line, int x) const
    {
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        const std::uint32_t background = GetRValue(window) << 16 | GetGValue(window) << 8 | GetBValue(window);
        const int top = 9 + line * lineHeight_;
        for (int y = top; y < top + lineHeight_ && y < height_ - 9; ++y)
            for (int column = x; column < x + 150 && column < width_ - 9; ++column)
                if ((pixels_[static_cast<std::size_t>(y) * width_ + column] & 0xFFFFFF) != background)
                    return true;
        return false;
    }

private:
    int width_ = 0;
    int height_ = 0;
    int lineHeight_ = 0;
    std::vector<std::uint32_t> pixels_;
};

void SelectRow(HWND dialog, int row, bool selected)
{
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    SendMessageW(Table(dialog), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

TEST_F(TraceLogDialog, TheFlagsPanelNamesTheSelectedRowsFlagsAndKeepsThemWhenDeselected)
{
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(PanelPicture(dialog).InkOnLine(0, 9));  // nothing selected yet

    const int online = RowWithFlags(dialog, L"0x40001000");
    SelectRow(dialog, online, true);
    const PanelPicture two(dialog);
    EXPECT_TRUE(two.InkOnLine(0, 9));
    EXPECT_TRUE(two.InkOnLine(1, 9));
    EXPECT_FALSE(two.InkOnLine(2, 9));
    SelectRow(dialog, online, false);
    EXPECT_TRUE(PanelPicture(dialog).InkOnLine(1, 9));

    // Twenty-five names need a second column, 600 pixels to the right.
    SelectRow(dialog, RowWithFlags(dialog, L"0xFFFFFFFB"), true);
    const PanelPicture all(dialog);
    EXPECT_TRUE(all.InkOnLine(0, 9 + 600));
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
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    const int shown = ShownThreadWindows();

    std::vector<std::uint8_t> wrongMagic = TraceLogBytes(KnownRecords());
    wrongMagic[3] = 0x02;
    std::vector<std::uint8_t> noRecords = TraceLogBytes({});
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
        {L"no-records.log", noRecords, true, 0},
    };
    for (const auto& c : cases) {
        TraceLogPath() = folder_.Make(c.name);
        if (c.write)
            test::WriteFile(TraceLogPath(), std::string(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(LoadTraceLog(dialog), c.expected) << std::wstring(c.name).c_str();
        EXPECT_EQ(RowCount(dialog), 0);
        EXPECT_EQ(ListTexts(DeviceFilter(dialog)), kAllDevices);  // the lists keep their texts
    }
    EXPECT_EQ(ShownThreadWindows(), shown);
}

RECT PlaceOf(HWND dialog, int id) { return RectInClient(GetDlgItem(dialog, id), dialog); }

TEST_F(TraceLogDialog, TableAndPanelFollowTheSizeAndTheTableKeepsRowsAtTheSmallestSize)
{
    HWND dialog = OpenTraceDialog();
    ASSERT_NE(dialog, nullptr);
    const RECT before = PlaceOf(dialog, IDC_TRACE_LOG_TABLE);
    const int m = before.left;
    const int top = before.top;

    SetWindowPos(dialog, nullptr, 0, 0, 1100, 760, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(dialog, &client);
    const RECT table = PlaceOf(dialog, IDC_TRACE_LOG_TABLE);
    const RECT panel = PlaceOf(dialog, IDC_TRACE_LOG_FLAGS_PANEL);
    EXPECT_EQ(table.left, m);
    EXPECT_EQ(table.top, top);
    EXPECT_EQ(table.right, client.right - m);
    EXPECT_EQ(table.bottom, client.bottom - m - 200 - m);
    EXPECT_EQ(panel.left, m);
    EXPECT_EQ(panel.top, client.bottom - m - 200);
    EXPECT_EQ(panel.right, client.right - m);
    EXPECT_EQ(panel.bottom, client.bottom - m);

    MINMAXINFO limits{};
    SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    SetWindowPos(dialog, nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y, SWP_NOMOVE | SWP_NOZORDER);
    const RECT smallest = PlaceOf(dialog, IDC_TRACE_LOG_TABLE);
    EXPECT_EQ(smallest.bottom - smallest.top, MulDiv(80, MeasureDpi(nullptr).y, 96));
    GetClientRect(dialog, &client);
    EXPECT_EQ(PlaceOf(dialog, IDC_TRACE_LOG_CHOOSE).right + m, client.right);
}

} // namespace
} // namespace trackkit
