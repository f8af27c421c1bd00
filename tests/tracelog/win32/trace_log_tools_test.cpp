// What Windows adds to the trace log's tools: the exported file has its bytes on disk (or nothing is left
// behind), the shell's save dialog answers, and the find bar turns keys and clicks into its host's calls. The
// texts themselves are tested natively; the dialog's use of them in trace_log_win32_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "blockmap/win32/dialog_watcher.h"
#include "resources/resource_ids.h"
#include "tracelog/trace_log_bytes.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_export.h"
#include "tracelog/win32/windows_trace_time_text.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

using namespace testing;
using Texts = std::vector<std::wstring>;

// Pumps the thread's messages the way a dialog's loop does, the parent being the dialog.
void Pump(HWND parent)
{
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        if (!IsDialogMessageW(parent, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
}

// A plain window, left open to the end of the process: under Wine, destroying a shown window costs two seconds.
HWND PlainWindow()
{
    static HWND window = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 120, nullptr,
                                         nullptr, nullptr, nullptr);
    return window;
}

// The file appears whole in place of the old one, or the old one stays; no other file is left in the folder.
TEST(TraceLogExport, WritesTheFileWholeOrLeavesTheFolderAsItWas)
{
    const std::vector<std::uint8_t> log = TraceLogBytes({MakeRecord(1, 2, 0x1A4, 0, "Cbt,\"Write\"")});
    const TraceLogIndex index = *TraceLogIndex::Build(LocateTraceRecords(log), {});
    const std::vector<std::uint32_t> rows{0, 0};
    const std::vector<TraceColumn> columns{TraceColumn::Function, TraceColumn::ThreadId};
    WindowsTraceTimeText timeText;
    const std::string written = "\xEF\xBB\xBF" "Function,ThreadId\r\n"
                                "\"Cbt,\"\"Write\"\"\",0x000001A4\r\n\"Cbt,\"\"Write\"\"\",0x000001A4\r\n";
    const struct { const wchar_t* target; bool cancel; CsvWriteResult result; std::string bytes; } cases[] = {
        {L"rows.csv", false, CsvWriteResult::Written, written},
        {L"rows.csv", true, CsvWriteResult::Cancelled, "old"},
        {L"missing\\rows.csv", false, CsvWriteResult::SinkFailed, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        test::TempFolder folder;
        test::WriteFile(folder.Make(L"rows.csv"), "old");
        const std::wstring target = folder.Path() + L"\\" + c.target;
        const CsvFileOutcome outcome = ExportTraceRows(
            target, index, rows, columns, timeText, [&](std::size_t, std::size_t) { return !c.cancel; });
        EXPECT_EQ(std::pair(outcome.result, test::FileBytes(target)), std::pair(c.result, c.bytes));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "nothing else left";
        if (c.result == CsvWriteResult::SinkFailed) {
            EXPECT_TRUE(outcome.failure.starts_with(L"Cannot write " + target + L": ") &&
                        outcome.failure.size() > target.size() + 16) << outcome.failure;
        }
    }
}

// A name typed without its extension gets ".csv"; cancelling gives nothing.
TEST(TraceLogExport, TheSaveDialogGivesTheNamedCsvPath)
{
    test::TempFolder folder;
    const std::wstring typed = folder.Path() + L"\\exported";
    const auto type = [&](HWND dialog) {
        HWND nameBox = GetDlgItem(dialog, 0x480);  // the file dialog's name box (edt1)
        for (const wchar_t c : typed)
            PostMessageW(nameBox, WM_CHAR, c, 0);
        PostMessageW(nameBox, WM_KEYDOWN, VK_RETURN, 0);
    };
    const auto cancel = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    const struct { std::function<void(HWND)> answer; std::optional<std::wstring> path; } cases[] = {
        {type, typed + L".csv"}, {cancel, std::nullopt}};
    for (const auto& c : cases) {
        DialogWatcher watcher(c.answer);
        const std::optional<std::wstring> path = ChooseCsvPath(PlainWindow());
        EXPECT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(path.value_or(L"<none>"), c.path.value_or(L"<none>"));
    }
}

struct RecordingFindHost final : FindBarHost {
    void FindNext(std::wstring_view text, bool matchCase, bool forward) override
    {
        calls.push_back((forward ? L"next " : L"previous ") + std::wstring(text) + (matchCase ? L" case" : L""));
    }
    void CloseFindBar() override { calls.emplace_back(L"close"); }
    bool PressDialogKey(WPARAM key) override { calls.push_back(L"key " + std::to_wstring(key)); return true; }
    Texts calls;
};

TEST(TraceFindBar, TurnsKeysAndClicksIntoTheHostsCalls)
{
    RecordingFindHost host;
    HWND bar = CreateFindBar(PlainWindow(), GetModuleHandleW(nullptr), host);
    ASSERT_NE(bar, nullptr);
    HWND text = GetDlgItem(bar, IDC_FIND_BAR_TEXT), notFound = GetDlgItem(bar, IDC_FIND_BAR_NOTE);
    EXPECT_FALSE(IsWindowVisible(bar));
    SetWindowTextW(text, L"old");
    ShowFindBar(bar);
    EXPECT_EQ(std::pair(GetFocus(), SendMessageW(text, EM_GETSEL, 0, 0)), std::pair(text, LRESULT(MAKELONG(0, 3))));
    const auto post = [](HWND control, UINT message, WPARAM key, bool shift = false) {
        BYTE keys[256] = {};
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(control, message, key, 0);
        Pump(PlainWindow());
    };
    for (const wchar_t c : std::wstring(L"Cbt"))
        post(text, WM_CHAR, c);
    post(text, WM_KEYDOWN, VK_RETURN);
    post(text, WM_KEYDOWN, VK_RETURN, true);
    for (const int button : {IDC_FIND_BAR_MATCH_CASE, IDC_FIND_BAR_NEXT, IDC_FIND_BAR_PREVIOUS})
        SendMessageW(GetDlgItem(bar, button), BM_CLICK, 0, 0);
    post(GetDlgItem(bar, IDC_FIND_BAR_PREVIOUS), WM_KEYDOWN, VK_RETURN);
    post(GetDlgItem(bar, IDC_FIND_BAR_NEXT), WM_KEYDOWN, VK_ESCAPE);
    post(text, WM_KEYDOWN, VK_F3);
    post(GetDlgItem(bar, IDC_FIND_BAR_MATCH_CASE), WM_KEYDOWN, VK_F5);
    EXPECT_EQ(host.calls, (Texts{L"next Cbt", L"previous Cbt", L"next Cbt case", L"previous Cbt case",
                                 L"previous Cbt case", L"close", L"key 114", L"key 116"}));
    const FindRequest request = CurrentFindRequest(bar);
    EXPECT_EQ(std::pair(request.text, request.matchCase), std::pair(std::wstring(L"Cbt"), true));

    SetFindBarNote(bar, L"Not found");
    const std::wstring said = WindowText(notFound);
    post(text, WM_CHAR, L'W');
    EXPECT_EQ(std::pair(said, WindowText(notFound)), std::pair(std::wstring(L"Not found"), std::wstring()));
}

} // namespace
} // namespace trackkit
