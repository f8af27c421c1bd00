#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>

#include "changes/win32/changed_files_dialog.h"
#include "common/win32/system_message.h"
#include "dialog_watcher.h"
#include "resources/resource_ids.h"
#include "sim/plain_locale_text.h"
#include "support/layout_volume.h"
#include "support/window_text.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

using namespace testing;
using test::FileBytes;
using test::TempFolder;

struct RecordingOutline final : ChangedFilesHost {
    void OutlineBlocks(std::vector<std::uint32_t> blocks) override { outlines.push_back(std::move(blocks)); }
    std::vector<std::vector<std::uint32_t>> outlines;
};

std::wstring ClipboardText()
{
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

// What the window showed once its lookup was done, and what the steps after it did.
struct Seen {
    int statusInk = 0;         // pixels of the status line's text once the window was made larger
    int columnsRight = 0, tableWidth = 0;
    std::wstring summary, status, cancel;
    std::vector<std::vector<std::wstring>> rows;
    std::wstring copied;
};

// Pixels in a control's place on the screen that are not the dialog's background.
int InkPixels(HWND control)
{
    HWND dialog = GetParent(control);
    const RECT place = RectInClient(control, dialog);
    HDC dc = GetDC(dialog);
    int ink = 0;
    for (int y = place.top; y < place.bottom; ++y)
        for (int x = place.left; x < place.right; ++x)
            ink += GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE);
    ReleaseDC(dialog, dc);
    return ink;
}

// A user's steps, one per tick once the lookup is done: make the window
// larger, look, select the first row and copy it, save as CSV, close.
struct Steps {
    HWND dialog = nullptr;
    std::wstring csvPath;
    Seen seen;
    int step = 0;
    int ticks = 0;

    static inline Steps* current = nullptr;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { current->Next(); }

    // The window made larger and painted as the system paints it, nothing invalidated by hand.
    void MadeLarger(HWND table)
    {
        SetWindowPos(dialog, nullptr, 0, 0, 1000, 640, SWP_NOMOVE | SWP_NOZORDER);
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        seen.statusInk = InkPixels(GetDlgItem(dialog, IDC_CHANGED_FILES_STATUS));
        RECT client{};
        GetClientRect(table, &client);
        seen.tableWidth = client.right;
        for (int column = 0; column < 4; ++column)
            seen.columnsRight += ListView_GetColumnWidth(table, column);
    }

    void Next()
    {
        HWND table = GetDlgItem(dialog, IDC_CHANGED_FILES_TABLE);
        if (++ticks > 200 || !IsWindow(dialog))
            return;
        switch (step) {
        case 0:
            if (WindowText(GetDlgItem(dialog, IDCANCEL)) != L"Close")
                return;  // still looking up
            MadeLarger(table);
            seen.summary = WindowText(GetDlgItem(dialog, IDC_CHANGED_FILES_SUMMARY));
            seen.status = WindowText(GetDlgItem(dialog, IDC_CHANGED_FILES_STATUS));
            for (int row = 0; row < ListView_GetItemCount(table); ++row)
                seen.rows.push_back({ListItemText(table, row, 0), ListItemText(table, row, 1), ListItemText(table, row, 2),
                                     ListItemText(table, row, 3)});
            ListView_SetItemState(table, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            {
                BYTE keys[256] = {};
                keys[VK_CONTROL] = 0x80;
                SetKeyboardState(keys);
                SendMessageW(table, WM_KEYDOWN, 'C', 0);
                keys[VK_CONTROL] = 0;
                SetKeyboardState(keys);
            }
            seen.copied = ClipboardText();
            PostMessageW(GetDlgItem(dialog, IDC_CHANGED_FILES_SAVE_AS), BM_CLICK, 0, 0);
            break;
        case 1:
            if (GetFileAttributesW(csvPath.c_str()) == INVALID_FILE_ATTRIBUTES)
                return;
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            break;
        default: return;
        }
        ++step;
    }
};

TEST(ChangedFilesDialog, LooksUpInTheBackgroundListsOutlinesCopiesAndExports)
{
    // Two clusters per 8 KiB block: big.mdf on blocks 0-3, small.log on block 4, block 5 free.
    auto volume = std::make_unique<LayoutVolume>();
    volume->Own(L"\\big.mdf::$DATA", 0, 8);
    volume->Own(L"\\small.log::$DATA", 8, 2);
    RecordingOutline host;
    PlainLocaleText locale;
    const std::vector<std::uint8_t> bitmap = {0b110110};  // blocks 1, 2, 4, 5
    ChangedFilesContext context{host, locale, L"T:", std::move(volume), 0, {8, 8192, 4096}, bitmap};
    TempFolder folder;
    Steps steps;
    steps.csvPath = folder.Make(L"files.csv");
    Steps::current = &steps;

    DialogWatcher watcher([&](HWND dialog) {
        if (WindowText(dialog).starts_with(L"Changed Files")) {
            steps.dialog = dialog;
            SetTimer(nullptr, 0, 50, Steps::Tick);
            return;
        }
        HWND nameBox = GetDlgItem(dialog, 0x480);  // the save dialog's name box
        for (const wchar_t c : steps.csvPath)
            PostMessageW(nameBox, WM_CHAR, c, 0);
        PostMessageW(nameBox, WM_KEYDOWN, VK_RETURN, 0);
    });
    ShowChangedFilesDialog(GetModuleHandleW(nullptr), nullptr, context);

    ASSERT_EQ(watcher.seen.size(), 2u) << "the window, then the save dialog";
    EXPECT_EQ(watcher.seen[0].title, L"Changed Files - T:");
    EXPECT_EQ(steps.seen.summary,
              L"2 files hold 24.0 KB of the 32.0 KB changed bytes; 8.00 KB lie in free space or file system metadata.");
    EXPECT_TRUE(steps.seen.status.starts_with(L"All 4 changed blocks looked up, in 1 request, in ") &&
                steps.seen.status.ends_with(L" s.")) << steps.seen.status;
    EXPECT_GT(steps.seen.statusInk, 50) << "the status line paints itself where the larger window put it";
    EXPECT_TRUE(steps.seen.columnsRight <= steps.seen.tableWidth &&
                steps.seen.columnsRight > steps.seen.tableWidth - GetSystemMetrics(SM_CXVSCROLL) - 8)
        << "the columns fill the table: " << steps.seen.columnsRight << " of " << steps.seen.tableWidth;
    EXPECT_EQ(steps.seen.rows, (std::vector<std::vector<std::wstring>>{{L"\\big.mdf::$DATA", L"16.0 KB", L"2", L"50.0%"},
                                                                      {L"\\small.log::$DATA", L"8.00 KB", L"1", L"25.0%"}}));
    EXPECT_EQ(steps.seen.copied, L"Path\tChanged Bytes\tChanged Blocks\tShare\r\n\\big.mdf::$DATA\t16.0 KB\t2\t50.0%\r\n");
    EXPECT_EQ(FileBytes(steps.csvPath),
              "\xEF\xBB\xBFPath,Changed Bytes,Changed Blocks,Share\r\n\\big.mdf::$DATA,16384,2,50.0%\r\n"
              "\\small.log::$DATA,8192,1,25.0%\r\n");
    EXPECT_EQ(host.outlines, (std::vector<std::vector<std::uint32_t>>{{1, 2}, {}}))
        << "the selected file's blocks, then none when the window closes";
}

TEST(ChangedFilesDialog, ClosingStopsTheLookupAndLetsGoOfTheVolume)
{
    auto volume = std::make_unique<LayoutVolume>();
    auto asked = std::make_shared<std::atomic<int>>(0);
    auto released = std::make_shared<std::atomic<bool>>(false);
    volume->failWith = [asked](std::size_t, std::size_t) {
        ++*asked;
        Sleep(200);  // a file system that takes its time
        return 0u;
    };
    volume->destroyed = [released] { *released = true; };
    RecordingOutline host;
    PlainLocaleText locale;
    const std::vector<std::uint8_t> bitmap(kClustersPerRequest / 2, 0xFF);  // four requests' worth of blocks
    ChangedFilesContext context{host, locale, L"T:", std::move(volume), 0,
                                {static_cast<std::uint32_t>(bitmap.size() * 8), 4096, 4096}, bitmap};
    DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    ShowChangedFilesDialog(GetModuleHandleW(nullptr), nullptr, context);  // returns without waiting for the file system
    for (int wait = 0; wait < 1000 && !*released; ++wait)
        Sleep(10);
    EXPECT_TRUE(*released) << "the worker has ended and closed its volume";
    EXPECT_LT(*asked, 4) << "it stopped before asking about every block";
}

TEST(ChangedFilesDialog, SaysWhyNothingCanBeLookedUp)
{
    RecordingOutline host;
    PlainLocaleText locale;
    const struct {
        std::uint32_t bytesPerCluster, openError;
        std::wstring status;
    } cases[] = {
        {0, 0, L"The driver reports no cluster size for this volume, so its blocks cannot be matched to files."},
        {4096, ERROR_NOT_READY, L"The volume cannot be opened for the lookup: " + SystemMessageText(ERROR_NOT_READY)},
    };
    for (const auto& c : cases) {
        ChangedFilesContext context{host, locale, L"T:", nullptr, c.openError, {8, 8192, c.bytesPerCluster}, {1}};
        std::wstring status;
        DialogWatcher watcher([&](HWND dialog) {
            status = WindowText(GetDlgItem(dialog, IDC_CHANGED_FILES_STATUS));
            PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ShowChangedFilesDialog(GetModuleHandleW(nullptr), nullptr, context);
        EXPECT_EQ(status, c.status);
    }
}

} // namespace
} // namespace trackkit
