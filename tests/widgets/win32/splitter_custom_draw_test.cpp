#include "widgets/win32/splitter_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>

#include "test_windows.h"

namespace trackkit {
namespace {

using testing::CreateListPane;
using testing::CreatePane;
using testing::HostWindow;

constexpr COLORREF kUntouched = 0x00123456;
constexpr LRESULT kItemAndPostPaint = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;

struct DrawAnswer {
    LRESULT result;
    COLORREF text;
    COLORREF background;
};

// Sends the custom-draw notification that `from` would send its parent.
DrawAnswer SendCustomDraw(HWND splitter, HWND from, DWORD stage, DWORD_PTR item, UINT code = NM_CUSTOMDRAW)
{
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = from;
    draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
    draw.nmcd.hdr.code = code;
    draw.nmcd.dwDrawStage = stage;
    draw.nmcd.dwItemSpec = item;
    draw.clrText = kUntouched;
    draw.clrTextBk = kUntouched;
    const LRESULT result = SendMessageW(splitter, WM_NOTIFY, draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&draw));
    return {result, draw.clrText, draw.clrTextBk};
}

COLORREF Stripe(COLORREF window, COLORREF text)
{
    auto mix = [](unsigned w, unsigned t) { return ((49 * w + t) * 2 + 50) / 100; };
    return RGB(mix(GetRValue(window), GetRValue(text)), mix(GetGValue(window), GetGValue(text)),
               mix(GetBValue(window), GetBValue(text)));
}

// Puts system colours back however the test ends.
class SystemColours {
public:
    SystemColours() : saved_{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)} {}
    ~SystemColours() { Set(saved_[0], saved_[1]); }
    SystemColours(const SystemColours&) = delete;
    SystemColours& operator=(const SystemColours&) = delete;

    static void Set(COLORREF window, COLORREF text)
    {
        const INT elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
        const COLORREF values[] = {window, text};
        SetSysColors(2, elements, values);
    }

private:
    std::array<COLORREF, 2> saved_;
};

TEST(SplitterRowStripes, AnswersItsListViewsCustomDrawWithAlternatingRows)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 1);
    HWND list = CreateListPane(splitter, 0);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 300, 300, list));
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF stripe = Stripe(window, text);
    ASSERT_NE(stripe, window);

    const struct {
        const char* name;
        DWORD stage;
        DWORD_PTR item;
        COLORREF text, background;
    } cases[] = {
        {"prepaint leaves the colours", CDDS_PREPAINT, 0, kUntouched, kUntouched},
        {"row 0", CDDS_ITEMPREPAINT, 0, text, window},
        {"row 1", CDDS_ITEMPREPAINT, 1, text, stripe},
        {"row 2", CDDS_ITEMPREPAINT, 2, text, window},
        {"row 17", CDDS_ITEMPREPAINT, 17, text, stripe},
        {"sub-item of row 1", CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1, text, stripe},
        {"sub-item of row 4", CDDS_ITEMPREPAINT | CDDS_SUBITEM, 4, text, window},
        {"item postpaint leaves the colours", CDDS_ITEMPOSTPAINT, 1, kUntouched, kUntouched},
        {"postpaint leaves the colours", CDDS_POSTPAINT, 0, kUntouched, kUntouched},
    };
    for (const auto& c : cases) {
        const DrawAnswer answer = SendCustomDraw(splitter, list, c.stage, c.item);
        EXPECT_EQ(answer.result, kItemAndPostPaint) << c.name;
        EXPECT_EQ(answer.text, c.text) << c.name;
        EXPECT_EQ(answer.background, c.background) << c.name;
    }
}

TEST(SplitterRowStripes, LeavesOtherSendersAndNotificationsAlone)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 1);
    HWND list = CreateListPane(splitter, 0);
    HWND plainPane = CreatePane(splitter);
    HWND foreignList = CreateListPane(host.Get(), 0);   // not the splitter's child
    HWND nestedList = CreateListPane(plainPane, 0);     // a grandchild
    const struct {
        const char* name;
        HWND from;
        UINT code;
    } cases[] = {
        {"a child that is no list view", plainPane, NM_CUSTOMDRAW},
        {"a list view of another parent", foreignList, NM_CUSTOMDRAW},
        {"a list view one level down", nestedList, NM_CUSTOMDRAW},
        {"no sender", nullptr, NM_CUSTOMDRAW},
        {"another notification of the list", list, LVN_ITEMCHANGED},
        {"a click", list, NM_CLICK},
    };
    for (const auto& c : cases) {
        const DrawAnswer answer = SendCustomDraw(splitter, c.from, CDDS_ITEMPREPAINT, 1, c.code);
        EXPECT_EQ(answer.result, 0) << c.name;
        EXPECT_EQ(answer.text, kUntouched) << c.name;
        EXPECT_EQ(answer.background, kUntouched) << c.name;
    }
    EXPECT_EQ(SendMessageW(splitter, WM_NOTIFY, 0, 0), 0) << "no record at all";
}

TEST(SplitterRowStripes, FollowTheSystemColoursOnThemeChange)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 1);
    HWND list = CreateListPane(splitter, 0);
    SystemColours restore;
    SystemColours::Set(RGB(0, 0, 0), RGB(255, 255, 255));
    SendMessageW(splitter, WM_THEMECHANGED, 0, 0);
    DrawAnswer answer = SendCustomDraw(splitter, list, CDDS_ITEMPREPAINT, 1);
    EXPECT_EQ(answer.background, RGB(5, 5, 5));
    EXPECT_EQ(answer.text, RGB(255, 255, 255));
    answer = SendCustomDraw(splitter, list, CDDS_ITEMPREPAINT, 0);
    EXPECT_EQ(answer.background, RGB(0, 0, 0));

    SystemColours::Set(RGB(255, 255, 255), RGB(0, 0, 0));
    SendMessageW(splitter, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(SendCustomDraw(splitter, list, CDDS_ITEMPREPAINT, 1).background, RGB(250, 250, 250));
}

// The real list view paints its rows through the splitter's answers, and its
// notifications stop at the splitter.
TEST(SplitterRowStripes, AListViewPaneIsPaintedStriped)
{
    HostWindow host;
    const int notificationsBefore = HostWindow::NotificationsReceived();
    HWND splitter = CreateSplitter(host.Get(), 2, 1);
    HWND list = CreateListPane(splitter, 4);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 400, 300, list));
    testing::SizeWindow(splitter, 600, 500);
    RedrawWindow(host.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF stripe = Stripe(window, GetSysColor(COLOR_WINDOWTEXT));
    HDC dc = GetDC(list);
    for (int row = 0; row < 4; ++row) {
        RECT item{};
        item.left = LVIR_BOUNDS;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        const int x = item.left + 200;  // inside the 250-wide column, right of the text
        const int y = (item.top + item.bottom) / 2;
        EXPECT_EQ(GetPixel(dc, x, y), row % 2 == 0 ? window : stripe) << "row " << row;
    }
    ReleaseDC(list, dc);
    EXPECT_EQ(HostWindow::NotificationsReceived(), notificationsBefore);
}

} // namespace
} // namespace trackkit
