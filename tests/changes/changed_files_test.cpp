#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "changes/changed_files.h"
#include "changes/changed_files_layout.h"
#include "changes/changed_files_table.h"
#include "changes/changed_files_way.h"
#include "changes/file_table_changes.h"
#include "common/error_codes.h"
#include "sim/plain_locale_text.h"
#include "support/layout_volume.h"

namespace trackkit {
namespace {

PlainLocaleText kLocale;  // counts grouped by commas

// The system's words for any error, as a status line gets them.
SystemTextOf Says(const wchar_t* text)
{
    return [text](std::uint32_t) { return std::wstring(text); };
}

using testing::LayoutVolume;

constexpr std::uint32_t kMetadata = OwnerFlags::kFsSystemFile | OwnerFlags::kSystem;

std::vector<std::uint8_t> BitmapOf(std::initializer_list<std::uint32_t> blocks, std::size_t bytes = 4)
{
    std::vector<std::uint8_t> bitmap(bytes);
    for (std::uint32_t block : blocks)
        bitmap[block / 8] |= static_cast<std::uint8_t>(1u << (block % 8));
    return bitmap;
}

struct FileRow {
    std::wstring path;
    std::uint64_t bytes;
    std::vector<std::uint32_t> blocks;
    bool operator==(const FileRow&) const = default;
};

std::vector<FileRow> RowsOf(const ChangedFilesReport& report)
{
    std::vector<FileRow> rows;
    for (const ChangedFile& file : report.files)
        rows.push_back({file.path, file.changedBytes, file.blocks});
    return rows;
}

// Two 4 KiB clusters per 8 KiB block, 16 blocks. A owns blocks 0-1 (and
// shares cluster 2 with its hard link A2), B and C split block 2, block 3 is
// free, $MFT fills block 4, D runs over blocks 5 to 14.
LayoutVolume SmallVolume()
{
    LayoutVolume volume;
    volume.Own(L"\\A::$DATA", 0, 4);
    volume.Own(L"\\A2::$DATA", 2, 1);
    volume.Own(L"\\B::$DATA", 4, 1);
    volume.Own(L"\\C::$DATA", 5, 1);
    volume.Own(L"\\$MFT::$DATA", 8, 2, kMetadata);
    volume.Own(L"\\D::$DATA", 10, 20);
    return volume;
}

constexpr ChangedFilesGeometry kSmall{16, 8192, 4096};
const std::vector<FileRow> kSmallRows = {
    {L"\\D::$DATA", 3 * 8192, {5, 6, 7}},
    {L"\\A::$DATA", 8192, {1}},
    {L"\\A2::$DATA", 4096, {1}},
    {L"\\B::$DATA", 4096, {2}},
    {L"\\C::$DATA", 4096, {2}},
};
// Blocks 1 to 7 changed; 16 and 17 lie past N.
const std::vector<std::uint8_t> kSmallBitmap = BitmapOf({1, 2, 3, 4, 5, 6, 7, 16, 17});

TEST(ChangedFilesTest, AttributesEachClusterOfEachChangedBlockToItsOwners)
{
    LayoutVolume volume = SmallVolume();
    const ChangedFilesReport report = FindChangedFiles(volume, kSmall, kSmallBitmap, {});
    EXPECT_EQ(RowsOf(report), kSmallRows);
    EXPECT_EQ(report.end, ChangedFilesEnd::Complete);
    EXPECT_EQ(report.changedBlocks, 7u) << "blocks past N are not counted";
    EXPECT_EQ(report.answeredBytes, 7u * 8192);
    EXPECT_EQ(report.fileBytes, 5u * 8192) << "a cluster two files own counts once; free space and $MFT not at all";
    EXPECT_EQ(volume.asked, std::vector<std::size_t>{14});
    PlainLocaleText locale;
    EXPECT_EQ(ChangedFilesSummary(report, locale),
              L"5 files hold 40.0 KB of the 56.0 KB changed bytes; 16.0 KB lie in free space or file system metadata.");
    EXPECT_EQ(ChangedFilesStatus(report, Says(L""), kLocale), L"All 7 changed blocks looked up, in 1 request, in 0.0 s.");

    LayoutVolume reversed = SmallVolume();
    reversed.reversed = true;
    EXPECT_EQ(RowsOf(FindChangedFiles(reversed, kSmall, kSmallBitmap, {})), kSmallRows) << "entries in any order";
}

TEST(ChangedFilesTest, BlocksSmallerThanClustersAskForEachClusterOnce)
{
    LayoutVolume volume;
    volume.Own(L"\\A::$DATA", 0, 1);
    const ChangedFilesReport report = FindChangedFiles(volume, {8, 4096, 8192}, BitmapOf({0, 1, 2}, 1), {});
    EXPECT_EQ(RowsOf(report), (std::vector<FileRow>{{L"\\A::$DATA", 8192, {0, 1}}}));
    EXPECT_EQ(volume.asked, std::vector<std::size_t>{2});

    LayoutVolume whole;
    whole.Own(L"\\all::$DATA", 0, 24);
    EXPECT_EQ(FindChangedFiles(whole, {24, 4096, 4096}, BitmapOf({3, 8, 23}, 3), {}).files.at(0).blocks,
              (std::vector<std::uint32_t>{3, 8, 23}))
        << "blocks right after the clear rest of a byte, and in the last bit";
    PlainLocaleText locale;
    const ChangedFilesReport endsInAByte = FindChangedFiles(whole, {17, 4096, 4096}, BitmapOf({3, 16, 17}, 3), {});
    EXPECT_EQ(ChangedFilesSummary(endsInAByte, locale) + ChangedFilesStatus(endsInAByte, Says(L""), kLocale),
              L"1 file holds 8.00 KB of the 8.00 KB changed bytes; 0 bytes lie in free space or file system metadata."
              L"All 2 changed blocks looked up, in 1 request, in 0.0 s.")
        << "N ends one bit into a byte";
}

TEST(ChangedFilesTest, BatchesSplitAndFailuresGiveTheSameFilesOrEndTheRun)
{
    struct Case {
        const char* what;
        std::size_t perRequest;
        std::size_t replyCeiling;
        std::function<std::uint32_t(std::size_t, std::size_t)> failWith;
        std::vector<std::size_t> asked;
        ChangedFilesEnd end;
        std::uint64_t blocksDone;
        std::size_t files;
    };
    const Case cases[] = {
        {"whole blocks, three clusters or just over per request", 3, 1 << 20, nullptr, {4, 4, 4, 2}, ChangedFilesEnd::Complete, 7, 5},
        {"whole blocks, a request full at exactly four clusters", 4, 1 << 20, nullptr, {4, 4, 4, 2}, ChangedFilesEnd::Complete, 7, 5},
        {"a reply past the ceiling is asked again in halves", 16, 256, nullptr, {14, 7, 3, 4, 7, 3, 4}, ChangedFilesEnd::Complete, 7, 5},
        {"an invalid request is split down to lone clusters, which count as no file's", 16, 1 << 20,
         [](std::size_t, std::size_t n) { return n > 1 ? 87u : 0u; }, {14, 7, 3, 1, 2, 1, 1, 4, 2, 1, 1, 2, 1, 1, 7, 3, 1, 2, 1, 1, 4, 2, 1, 1, 2, 1, 1},
         ChangedFilesEnd::Complete, 7, 5},
        {"the file system refuses at once", 3, 1 << 20, [](std::size_t, std::size_t) { return 1u; }, {4},
         ChangedFilesEnd::Refused, 0, 0},
        {"the volume goes away after the first request", 3, 1 << 20,
         [](std::size_t request, std::size_t) { return request > 0 ? 21u : 0u; }, {4, 4}, ChangedFilesEnd::Stopped, 2, 4},
        {"the volume goes away in the second half of a split request: its first half does not count either", 16, 1 << 20,
         [](std::size_t request, std::size_t) { return request == 0 ? 87u : request == 2 ? 21u : 0u; }, {14, 7, 7},
         ChangedFilesEnd::Stopped, 0, 0},
    };
    for (const Case& c : cases) {
        LayoutVolume volume = SmallVolume();
        if (c.failWith)
            volume.failWith = c.failWith;
        const ChangedFilesReport report =
            FindChangedFiles(volume, kSmall, kSmallBitmap, {}, {c.perRequest, {c.replyCeiling, c.replyCeiling}});
        EXPECT_EQ(volume.asked, c.asked) << c.what;
        EXPECT_EQ(std::tuple(report.end, report.blocksDone, report.files.size()), std::tuple(c.end, c.blocksDone, c.files))
            << c.what;
        if (c.end == ChangedFilesEnd::Complete) {
            EXPECT_EQ(RowsOf(report), kSmallRows) << c.what;
        }
    }
}

// A file system that refuses every request is asked a bounded number of times and the run is refused; the last
// block is looked up only as far as the volume reaches; memory running out keeps what was found; a cancel that
// comes between two requests of one batch stops the run before the second.
TEST(ChangedFilesTest, RefusalsAreBoundedTheVolumesEndIsKeptAndARunStopsWhereItMust)
{
    LayoutVolume refusing;
    refusing.failWith = [](std::size_t, std::size_t) { return 87u; };
    std::vector<std::uint8_t> all(400, 0xFF);
    const ChangedFilesReport refused = FindChangedFiles(refusing, {3200, 4096, 4096}, all, {}, {1000, {1 << 20, 1 << 20}});
    EXPECT_EQ(std::tuple(refused.end, refused.error, refused.unansweredClusters), std::tuple(ChangedFilesEnd::Refused, 87u, std::uint64_t{3200}));
    EXPECT_LT(refusing.asked.size(), 100u) << "not every cluster on its own";
    EXPECT_EQ(FindChangedFiles(refusing, {8, 4096, 4096}, BitmapOf({0}, 1), {}).end, ChangedFilesEnd::Refused)
        << "a lone cluster never answered";

    LayoutVolume small = SmallVolume();
    ChangedFilesGeometry clipped = kSmall;
    clipped.blockCount = 8, clipped.volumeBytes = 7 * 8192 + 4096 + 100;  // block 7's second cluster lies past the end
    const ChangedFilesReport atTheEnd = FindChangedFiles(small, clipped, kSmallBitmap, {});
    EXPECT_EQ(std::pair(atTheEnd.answeredBytes, atTheEnd.files.front().changedBytes), std::pair(std::uint64_t{6 * 8192 + 4096}, std::uint64_t{2 * 8192 + 4096}));

    LayoutVolume running = SmallVolume();
    running.failWith = [](std::size_t request, std::size_t) -> std::uint32_t {
        if (request == 1) throw std::bad_alloc();
        return 0;
    };
    const ChangedFilesReport outOfMemory = FindChangedFiles(running, kSmall, kSmallBitmap, {}, {3, {}});
    EXPECT_EQ(std::tuple(outOfMemory.end, outOfMemory.error, outOfMemory.blocksDone, outOfMemory.files.size()),
              std::tuple(ChangedFilesEnd::Stopped, 8u, std::uint64_t{2}, std::size_t{4}));

    LayoutVolume splitting = SmallVolume();
    splitting.failWith = [](std::size_t request, std::size_t) { return request == 0 ? 87u : 0u; };
    int asked = 0;
    const ChangedFilesReport cancelled = FindChangedFiles(splitting, kSmall, kSmallBitmap,
        [&](std::uint64_t, std::uint64_t) { return ++asked < 3; }, {16, {1 << 20, 1 << 20}});
    EXPECT_EQ(std::tuple(cancelled.end, splitting.asked.size(), cancelled.files.size()), std::tuple(ChangedFilesEnd::Cancelled, std::size_t{2}, std::size_t{0}))
        << "refused whole, its first half asked, then cancelled before the second";
}

TEST(ChangedFilesTest, CancellingKeepsWhatWasFound)
{
    LayoutVolume volume = SmallVolume();
    std::vector<std::uint64_t> told;
    const ChangedFilesReport report = FindChangedFiles(
        volume, kSmall, kSmallBitmap,
        [&](std::uint64_t done, std::uint64_t total) {
            told.push_back(done * 100 + total);
            return done == 0;
        },
        {3, {}});
    EXPECT_EQ(told, (std::vector<std::uint64_t>{7, 207}));
    EXPECT_EQ(report.end, ChangedFilesEnd::Cancelled);
    EXPECT_EQ(RowsOf(report), (std::vector<FileRow>{{L"\\A::$DATA", 8192, {1}}, {L"\\A2::$DATA", 4096, {1}},
                                                   {L"\\B::$DATA", 4096, {2}}, {L"\\C::$DATA", 4096, {2}}}));
    EXPECT_EQ(ChangedFilesStatus(report, Says(L""), kLocale), L"Cancelled after 2 of 7 changed blocks. The table lists the files found so far.");
}

TEST(ChangedFilesTest, MalformedRepliesKeepTheirSoundEntries)
{
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> mangle;
        std::vector<FileRow> rows;
    };
    // The reply for blocks 5 and 6 of D holds four entries of 48 bytes from byte 16 on.
    const Case cases[] = {
        {"a cluster that was not asked about", [](auto& r) { r[16 + 16] = 99; }, {{L"\\D::$DATA", 3 * 4096, {5, 6}}}},
        {"a name without its terminator", [](auto& r) { r.resize(r.size() - 2); }, {{L"\\D::$DATA", 3 * 4096, {5, 6}}}},
        {"an offset past the end", [](auto& r) { r[64] = 0xF0; }, {{L"\\D::$DATA", 2 * 4096, {5}}}},
    };
    for (const Case& c : cases) {
        LayoutVolume volume = SmallVolume();
        volume.mangle = c.mangle;
        const ChangedFilesReport report = FindChangedFiles(volume, kSmall, BitmapOf({5, 6}), {});
        EXPECT_EQ(RowsOf(report), c.rows) << c.what;
        EXPECT_EQ(ChangedFilesStatus(report, Says(L""), kLocale),
                  L"All 2 changed blocks looked up, in 1 request, in 0.0 s. 1 of 1 answers of the file system were malformed; "
                  L"only what could be read soundly is counted.")
            << c.what;
    }
}

TEST(ChangedFilesTest, StatusSaysWhyNothingOrNotAllWasLookedUp)
{
    LayoutVolume volume = SmallVolume();
    const struct {
        ChangedFilesGeometry geometry;
        std::vector<std::uint8_t> bitmap;
        std::wstring status;
    } cases[] = {
        {kSmall, {}, L"The driver has no session bitmap for this volume, so there are no changed blocks to look up."},
        {{16, 0, 4096}, kSmallBitmap, L"The driver has no session bitmap for this volume, so there are no changed blocks to look up."},
        {{16, 8192, 0}, kSmallBitmap, L"The driver reports no cluster size for this volume, so its blocks cannot be matched to files."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangedFilesStatus(FindChangedFiles(volume, c.geometry, c.bitmap, {}), Says(L"-"), kLocale), c.status);
    EXPECT_TRUE(volume.asked.empty());

    ChangedFilesReport report;
    report.changedBlocks = 1224940;
    report.blocksDone = 2000;
    report.end = ChangedFilesEnd::Stopped;
    EXPECT_EQ(ChangedFilesStatus(report, Says(L"The device is not ready."), kLocale),
              L"The lookup stopped after 2,000 of 1,224,940 changed blocks: The device is not ready. The table lists the files "
              L"found so far.");
    EXPECT_EQ(LookupProgressText(2000, 1224940, kLocale), L"2,000 of 1,224,940 changed blocks looked up");
    report.end = ChangedFilesEnd::Refused;
    EXPECT_EQ(ChangedFilesStatus(report, Says(L"Incorrect function."), kLocale),
              L"The file system does not say which files own this volume's clusters: Incorrect function.");
}

// The table takes what the summary, the status line and the buttons leave; Path takes what the other columns leave.
TEST(ChangedFilesLayoutTest, TheTableAndThePathColumnFollowTheSize)
{
    const ChangedFilesLayout layout = LayOutChangedFiles(800, 600, {});
    const auto edges = [](const Rect& r) { return std::vector{r.left, r.top, r.right, r.bottom}; };
    EXPECT_EQ((std::vector{edges(layout.table), edges(layout.status), edges(layout.cancel), edges(layout.saveAs)}),
              (std::vector<std::vector<int>>{{11, 30, 789, 528}, {11, 534, 789, 560}, {714, 566, 789, 589}, {633, 566, 708, 589}}));
    EXPECT_EQ(edges(LayOutChangedFiles(10, 10, {}).table), (std::vector{11, 30, 11, 30})) << "nothing negative";
    EXPECT_EQ((std::vector{PathColumnWidth(760, 280, 150), PathColumnWidth(300, 280, 150)}), (std::vector{480, 150}));
}

// The small volume's file table: one record per file, $MFT the file system's; A's hard link A2 is A itself here.
FileTable SmallFileTable()
{
    FileTable table;
    table.geometry.bytesPerCluster = 4096, table.geometry.clusterCount = 32;
    table.files.resize(22);
    table.files[5] = {5, 0, 0, true, true};
    table.SetName(table.files[5], L".");
    const auto add = [&](std::uint64_t record, const wchar_t* name, std::vector<ClusterRun> runs) {
        table.files[record] = {5, 0, 0, false, true};
        table.SetName(table.files[record], name);
        table.streams.push_back({record, 0x80, L"", table.runs.size(), runs.size()});
        table.runs.insert(table.runs.end(), runs.begin(), runs.end());
    };
    add(0, L"$MFT", {{8, 2}});
    add(16, L"A", {{0, 4}});
    add(18, L"B", {{4, 1}});
    add(19, L"C", {{5, 1}});
    add(20, L"D", {{20, 10}, {10, 10}});  // two runs, the later clusters first
    return table;
}

// The file table gives the cluster lookup's answer, counted the same way; the way a run goes follows how many
// clusters changed; a volume that is not NTFS falls back to the lookup and says so.
TEST(ChangedFilesTest, TheFileTableGivesTheLookupsAnswerAndTheWayFollowsTheChangedClusters)
{
    const ChangedFilesReport read = AttributeFileTable(SmallFileTable(), kSmall, kSmallBitmap, {});
    std::vector<FileRow> withoutTheLink = kSmallRows;
    withoutTheLink.erase(withoutTheLink.begin() + 2);
    EXPECT_EQ(RowsOf(read), withoutTheLink);
    EXPECT_EQ(std::tuple(read.way, read.end, read.blocksDone, read.answeredBytes, read.fileBytes),
              std::tuple(ChangedFilesWay::FileTable, ChangedFilesEnd::Complete, std::uint64_t{7}, std::uint64_t{7 * 8192},
                         std::uint64_t{5 * 8192}));
    EXPECT_EQ(std::pair(AttributeFileTable(SmallFileTable(), kSmall, kSmallBitmap, [](auto, auto) { return false; }).end,
                        AttributeFileTable(SmallFileTable(), kSmall, {}, {}).end),
              std::pair(ChangedFilesEnd::Cancelled, ChangedFilesEnd::NoBitmap));

    const ChangedFilesGeometry large{1 << 20, 65536, 4096};
    EXPECT_EQ((std::vector{ChooseWay(large, 4096), ChooseWay(large, 4097), ChooseWay({1 << 20, 512, 4096}, 65536),
                           ChooseWay({1 << 20, 512, 4096}, 65537), ChooseWay({1 << 20, 65536, 0}, 1 << 20)}),
              (std::vector{ChangedFilesWay::ClusterLookup, ChangedFilesWay::FileTable, ChangedFilesWay::ClusterLookup,
                           ChangedFilesWay::FileTable, ChangedFilesWay::ClusterLookup}));

    LayoutVolume notNtfs = SmallVolume();  // its raw bytes cannot be read
    const ChangedFilesReport fellBack = FindChangedFilesEitherWay(notNtfs, {65536, 8192, 4096}, std::vector<std::uint8_t>(8192, 0xFF), {}, {});
    EXPECT_EQ(std::tuple(fellBack.way, fellBack.fileTableFailure, fellBack.files.size()),
              std::tuple(ChangedFilesWay::ClusterLookup, std::uint32_t{50}, std::size_t{5}));
}

TEST(ChangedFilesTableTest, ColumnsSortBothWaysAndRowsExport)
{
    std::vector<ChangedFile> files = {{L"\\b", 0, 300, {1}}, {L"\\a", 0, 100, {1, 2, 3}}, {L"\\c", 0, 300, {1, 2}}};
    const auto order = [&] {
        std::wstring paths;
        for (const ChangedFile& file : files)
            paths += file.path;
        return paths;
    };
    const struct {
        ChangedFileColumn column;
        bool descending;
        std::wstring order;
    } sorts[] = {
        {ChangedFileColumn::ChangedBytes, true, L"\\b\\c\\a"}, {ChangedFileColumn::ChangedBytes, false, L"\\a\\b\\c"},
        {ChangedFileColumn::ChangedBlocks, true, L"\\a\\c\\b"}, {ChangedFileColumn::Path, false, L"\\a\\b\\c"},
        {ChangedFileColumn::Path, true, L"\\c\\b\\a"},          {ChangedFileColumn::Share, true, L"\\b\\c\\a"},
    };
    for (const auto& s : sorts) {
        SortChangedFiles(files, s.column, s.descending);
        EXPECT_EQ(order(), s.order) << static_cast<int>(s.column) << s.descending;
    }
    EXPECT_EQ(SortsDescendingFirst(ChangedFileColumn::Path), false);

    std::string csv;
    EXPECT_EQ(WriteChangedFilesCsv(std::span(files).first(2), 800, [&](std::string_view bytes) { return csv += bytes, true; }),
              CsvWriteResult::Written);
    EXPECT_EQ(csv, "\xEF\xBB\xBFPath,Changed Bytes,Changed Blocks,Share\r\n\\b,300,1,37.5%\r\n\\c,300,2,37.5%\r\n");
    PlainLocaleText locale;
    const ChangedFile* rows[] = {&files[2]};
    EXPECT_EQ(ChangedFilesTabText(rows, 800, locale), L"Path\tChanged Bytes\tChanged Blocks\tShare\r\n\\a\t100 bytes\t3\t12.5%\r\n");
}

} // namespace
} // namespace trackkit
