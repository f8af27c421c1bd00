// A left click on the block map asks the file system which files own the
// cell's clusters, and shows the "Lookup Clusters" dialog or the notice.
// The file system's answers are scripted; the dialogs are read back and
// closed from a hook as soon as they have initialised.
#include "tracking/win32/lookup_dialog.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "dialog_watcher.h"
#include "pane_fixture.h"
#include "support/lookup_reply.h"

namespace trackkit {
namespace {

using testing::DialogWatcher;
using testing::Geometry;
using testing::PaneTest;
using testing::ScriptedLookup;
using testing::SeenDialog;

constexpr std::size_t kMiB = 1024 * 1024;
using Rows = std::vector<std::vector<std::wstring>>;
using Entries = std::vector<ClusterLookupEntry>;

const Entries kThreeStreams{
    {900, 0x01000000, L"\\Data\\orders.mdf"},
    {100, 0x03000005, L"\\pagefile.sys"},
    {500, 0x01000002, L"\\$LogFile"},
};

// The clusters a request asks about.
std::vector<std::uint64_t> ClustersOf(const std::vector<std::uint8_t>& request)
{
    ByteReader reader(request);
    std::vector<std::uint64_t> clusters;
    const std::uint32_t count = reader.U32At(4);
    for (std::uint32_t i = 0; i < count && reader.Ok(); ++i)
        clusters.push_back(reader.U64At(8 + 8 * std::size_t{i}));
    EXPECT_EQ(reader.U32At(0), 0u) << "Flags";
    EXPECT_EQ(request.size(), 8 + 8 * std::size_t{count});
    return clusters;
}

const std::wstring kNoUserFiles = L"There are no user files in the selected cluster range.";

void ExpectNotice(const SeenDialog& notice, HWND owner, const std::wstring& text = kNoUserFiles)
{
    EXPECT_EQ(notice.title, L"Quillon Zezudo Zozor");
    EXPECT_EQ(notice.staticTexts, std::vector<std::wstring>{text});
    EXPECT_EQ(notice.buttonIds, std::vector<int>{IDOK});
    EXPECT_EQ(notice.owner, owner);
    EXPECT_FALSE(notice.hasList);
}

class LookupDialogTest : public PaneTest {
public:
    void AnswerWith(Entries entries, std::size_t bufferNeeded = 0)
    {
        ScriptedLookup().answer = [entries = std::move(entries), bufferNeeded](auto, std::span<std::uint8_t> out) {
            if (out.size() < bufferNeeded)
                return DriverReply::Failure(kErrorMoreData);
            return testing::AnswerLookup(entries, out);
        };
    }
    void AnswerWithBytes(std::vector<std::uint8_t> reply)
    {
        ScriptedLookup().answer = [reply = std::move(reply)](auto, std::span<std::uint8_t> out) {
            std::copy(reply.begin(), reply.end(), out.begin());
            return DriverReply::Success(static_cast<std::uint32_t>(reply.size()));
        };
    }
    void AnswerWithError(std::uint32_t error)
    {
        ScriptedLookup().answer = [error](auto, auto) { return DriverReply::Failure(error); };
    }
};

TEST_F(LookupDialogTest, AClickListsTheCellsStreamsSortedUnderTheirClusterRange)
{
    OpenAndShow(Geometry(5529));
    HCURSOR cursorWhileAsking = nullptr;
    ScriptedLookup().answer = [&](auto, std::span<std::uint8_t> out) {
        cursorWhileAsking = GetCursor();
        if (out.size() < 2 * kMiB)
            return DriverReply::Failure(kErrorMoreData);
        return testing::AnswerLookup(kThreeStreams, out);
    };
    MoveMouse(32, 17);
    ASSERT_EQ(GetCapture(), pane_);
    DialogWatcher watcher;
    ASSERT_TRUE(watcher.Hooked());

    Click(32, 17);

    ASSERT_EQ(watcher.seen.size(), 1u);
    const SeenDialog& dialog = watcher.seen[0];
    EXPECT_EQ(dialog.title, L"Clusters 100 to 900 (3)");
    EXPECT_EQ(dialog.rows, (Rows{{L"100", L"\\pagefile.sys", L"PageFile| FsSys| System"},
                                 {L"500", L"\\$LogFile", L"DenyDefrag| Data"},
                                 {L"900", L"\\Data\\orders.mdf", L"Data"}}));
    EXPECT_EQ(dialog.columnTitles, (std::vector<std::wstring>{L"Cluster", L"Path", L"Flags"}));
    EXPECT_EQ(dialog.columnWidths, (std::vector<int>{100, 450, 200}));
    EXPECT_EQ(dialog.listExtendedStyle & 0x10420, 0x10420);
    EXPECT_EQ(dialog.owner, host_) << "owned by the pane's top-level window";
    EXPECT_EQ(dialog.capture, nullptr) << "the pane let go of the mouse";

    // One cluster per block: the cell is block 201, its first cluster 3216.
    ASSERT_EQ(ScriptedLookup().requests.size(), 2u);
    for (const auto& request : ScriptedLookup().requests)
        EXPECT_EQ(ClustersOf(request), std::vector<std::uint64_t>{3216});
    EXPECT_EQ(ScriptedLookup().replyLengths, (std::vector<std::size_t>{1 * kMiB, 2 * kMiB}));
    EXPECT_EQ(cursorWhileAsking, LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(LookupDialogTest, TheDialogIsBuiltFromItsResource)
{
    OpenAndShow(Geometry(5529));
    AnswerWith(kThreeStreams);
    DialogWatcher watcher;
    Click(32, 17);

    ASSERT_EQ(watcher.seen.size(), 1u);
    const SeenDialog& dialog = watcher.seen[0];
    ASSERT_TRUE(dialog.hasList);
    const LONG_PTR listStyles = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP;
    EXPECT_EQ(dialog.listStyle & (listStyles | LVS_TYPEMASK), listStyles);
    // A dialog draws a control's border as a sunken client edge.
    EXPECT_TRUE((dialog.listStyle & WS_BORDER) || (dialog.listExStyle & WS_EX_CLIENTEDGE));
    EXPECT_EQ(dialog.buttonIds, std::vector<int>{IDOK});
    EXPECT_EQ(dialog.client.right, dialog.mappedClient.right);
    EXPECT_EQ(dialog.client.bottom, dialog.mappedClient.bottom);
    EXPECT_TRUE(EqualRect(&dialog.listRect, &dialog.mappedList));
    EXPECT_TRUE(EqualRect(&dialog.okRect, &dialog.mappedOk));
    EXPECT_TRUE(dialog.okIsDefault);
    const LONG_PTR styles = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & styles, styles);
    EXPECT_EQ(dialog.fontFace, L"MS Shell Dlg");
    EXPECT_EQ(dialog.fontHeight, -11) << "8 points at 96 DPI";

    // Centred on the work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((dialog.windowRect.left + dialog.windowRect.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((dialog.windowRect.top + dialog.windowRect.bottom) - (work.top + work.bottom)), 2);
}

// How the dialog closes: OK and Cancel with notification code 0, Enter and
// Escape, the close box. Other notifications leave it open.
TEST_F(LookupDialogTest, OkCancelEnterEscapeAndCloseEndTheDialog)
{
    ClusterLookupResult result;
    result.outcome = LookupOutcome::Listed;
    result.entries = {{7, 0, L"\\x"}};
    result.title = LookupTitle(result.entries);
    const struct {
        const char* name;
        std::function<void(HWND)> close;
        INT_PTR ended;
    } cases[] = {
        {"OK", [](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); }, IDOK},
        {"Cancel", [](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); }, IDCANCEL},
        {"a notification is not a command",
         [](HWND d) {
             PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
             PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
         },
         IDCANCEL},
        {"another id is not a command",
         [](HWND d) {
             PostMessageW(d, WM_COMMAND, MAKEWPARAM(1006, 0), 0);
             PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
         },
         IDOK},
        {"Escape", [](HWND d) { PostMessageW(GetDlgItem(d, 1006), WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {"Enter", [](HWND d) { PostMessageW(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_RETURN, 0); }, IDOK},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogWatcher watcher(c.close);
        EXPECT_EQ(ShowLookupClustersDialog(Shell().instance, host_, result), c.ended);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].title, L"Clusters 7 to 7 (1)");
        EXPECT_FALSE(IsWindow(watcher.seen[0].window));
    }
}

TEST_F(LookupDialogTest, RowsFollowTheFileSystemsOrderWithinACluster)
{
    OpenAndShow(Geometry(5529));
    AnswerWith({{5, 0, L"\\b-first"}, {3, 0, L"\\a"}, {5, 0, L"\\b-second"}, {5, 4, L"\\b-third"}});
    DialogWatcher watcher;
    Click(32, 17);
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].rows, (Rows{{L"3", L"\\a", L"None"},
                                          {L"5", L"\\b-first", L"None"},
                                          {L"5", L"\\b-second", L"None"},
                                          {L"5", L"\\b-third", L"FsSys"}}));
    EXPECT_EQ(watcher.seen[0].title, L"Clusters 3 to 5 (4)");
}

// A reply whose second entry points back at the first: each is listed once.
TEST_F(LookupDialogTest, AReplyThatLoopsIsListedOnce)
{
    OpenAndShow(Geometry(5529));
    std::vector<std::uint8_t> reply = testing::LookupReply(Entries{{10, 0, L"\\a"}, {20, 0, L"\\b"}});
    ByteWriter(reply).U32At(16 + 32, 0xFFFFFFE0);  // second entry's OffsetToNext: back to the first
    AnswerWithBytes(reply);
    DialogWatcher watcher;
    Click(32, 17);
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].rows, (Rows{{L"10", L"\\a", L"None"}, {L"20", L"\\b", L"None"}}));
}

TEST_F(LookupDialogTest, TheNoticeWhenTheFileSystemNamesNoFile)
{
    const struct {
        const char* name;
        std::function<void(LookupDialogTest&)> answer;
        std::size_t requests;
        std::wstring text;
    } cases[] = {
        {"rejected", [](LookupDialogTest& t) { t.AnswerWithError(87); }, 1, kNoUserFiles},
        {"success that names no stream", [](LookupDialogTest& t) { t.AnswerWithBytes(std::vector<std::uint8_t>(12, 0)); },
         1, kNoUserFiles},
        // The files exist but their names outgrow the reply's ceiling.
        {"more data up to the ceiling", [](LookupDialogTest& t) { t.AnswerWithError(kErrorMoreData); }, 7,
         L"This cell covers too many files to list.\r\n\r\nChoose a smaller block size (View > Block Size > Small "
         L"or Smallest) so that each cell covers fewer blocks, then click the cell again."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenAndShow(Geometry(5529));
        ScriptedLookup() = {};
        c.answer(*this);
        DialogWatcher watcher;
        Click(32, 17);
        ASSERT_EQ(watcher.seen.size(), 1u);
        ExpectNotice(watcher.seen[0], host_, c.text);
        EXPECT_EQ(ScriptedLookup().requests.size(), c.requests);
        EXPECT_EQ(ScriptedLookup().replyLengths.back(), c.requests == 7 ? 64 * kMiB : 1 * kMiB);
    }
}

TEST_F(LookupDialogTest, TheLastCellOfAPackedMapAsksOnlyForBlocksBeforeTheEnd)
{
    // 20001 blocks pack four to a cell; cell 5000 holds only block 20000.
    OpenAndShow(Geometry(20001));
    AnswerWith(kThreeStreams);
    DialogWatcher watcher;
    Click(16, 261);
    ASSERT_EQ(ScriptedLookup().requests.size(), 1u);
    EXPECT_EQ(ClustersOf(ScriptedLookup().requests[0]), std::vector<std::uint64_t>{320000});
    ASSERT_EQ(watcher.seen.size(), 1u);

    ScriptedLookup() = {};
    AnswerWith(kThreeStreams);
    Click(32, 17);  // cell 201: blocks 804 to 807, 16 clusters apart
    ASSERT_EQ(ScriptedLookup().requests.size(), 1u);
    EXPECT_EQ(ClustersOf(ScriptedLookup().requests[0]), (std::vector<std::uint64_t>{12864, 12880, 12896, 12912}));
}

TEST_F(LookupDialogTest, ClicksOffTheCellsAskNothingButTakeTheFocus)
{
    const struct {
        const char* name;
        std::uint32_t blocks;
        std::uint32_t bytesPerCluster;
        int x, y;
    } cases[] = {
        {"margin", 5529, 4096, 2, 17},
        {"first cell past the end", 5000, 4096, 16, 261},
        {"grid position rows past the end", 5000, 4096, 300, 290},
        {"cluster size unknown", 5529, 0, 32, 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenAndShow(Geometry(c.blocks, c.bytesPerCluster));
        AnswerWith(kThreeStreams);
        SetFocus(nullptr);
        DialogWatcher watcher;
        Click(c.x, c.y);
        EXPECT_TRUE(watcher.seen.empty());
        EXPECT_TRUE(ScriptedLookup().requests.empty());
        EXPECT_EQ(GetFocus(), pane_);
    }
}

TEST_F(LookupDialogTest, AClickWithoutAVolumeDoesNothing)
{
    AnswerWith(kThreeStreams);
    DialogWatcher watcher;
    Click(32, 17);
    EXPECT_TRUE(watcher.seen.empty());
    EXPECT_TRUE(ScriptedLookup().requests.empty());
}

} // namespace
} // namespace trackkit
