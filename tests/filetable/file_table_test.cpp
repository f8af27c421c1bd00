// The file table reader on a real NTFS image made by ntfs-3g's tools, held
// against what ntfs-3g's own tools say of the same image.

#include <gtest/gtest.h>

#include <algorithm>

#include "filetable/file_table.h"
#include "filetable/memory_volume_bytes.h"
#include "filetable/ntfs_test_image.h"

namespace trackkit {
namespace {

class FileTableImage : public testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        image_ = TestImage(reason);
        if (image_ == nullptr)
            GTEST_SKIP() << reason;
        MemoryVolumeBytes volume(image_->bytes);
        result_ = ReadFileTable(volume);
        ASSERT_EQ(result_.end, FileTableEnd::Read);
    }

    std::uint64_t Record(const std::string& path) const { return image_->records.at(path); }
    const FileTable& Table() const { return result_.table; }

    const NtfsTestImage* image_ = nullptr;
    FileTableResult result_;
};

TEST_F(FileTableImage, EveryClusterHasTheOwnerNtfsclusterNames)
{
    const std::map<std::uint64_t, NtfsClusterOwner> owners = OwnersOf(Table());
    std::uint64_t runClusters = 0;
    for (const ClusterRun& run : Table().runs)
        runClusters += run.clusterCount;
    EXPECT_EQ(runClusters, owners.size()) << "a cluster is owned twice";
    for (const auto& [cluster, owner] : image_->owners) {
        const auto found = owners.find(cluster);
        ASSERT_NE(found, owners.end()) << "cluster " << cluster << " of record " << owner.record;
        ASSERT_EQ(found->second, owner) << "cluster " << cluster;
    }
    EXPECT_EQ(owners.size(), image_->owners.size());
}

TEST_F(FileTableImage, CountsRecordsInUseAsTheTablesBitmapDoes)
{
    EXPECT_EQ(Table().recordsInUse, image_->recordsInUse);
    EXPECT_EQ(Table().recordsUnsound, 0u);
    EXPECT_EQ(Table().recordsUnreadable, 0u);
    EXPECT_EQ(Table().files.size(), Table().records);
    EXPECT_GT(Table().records, Record("/docs/many-pieces.bin"));
}

TEST_F(FileTableImage, NamesStreamsByTheirPathAttributeNameAndType)
{
    struct Case {
        std::string file;  // from the manifest; empty for the root
        std::uint32_t type;
        std::wstring attributeName;
        std::wstring expected;
    };
    const std::wstring longName = [] {
        std::wstring name;
        for (int i = 0; i < 60; ++i)
            name += L"long";
        return name + L".txt";
    }();
    const std::vector<Case> cases{
        {"", 0xA0, L"$I30", L"\\:$I30:$INDEX_ALLOCATION"},
        {"/docs/big.bin", 0x80, L"", L"\\docs\\big.bin::$DATA"},
        {"/docs/streams.txt", 0x80, L"notes", L"\\docs\\streams.txt:notes:$DATA"},
        {"/bigdir", 0xA0, L"$I30", L"\\bigdir:$I30:$INDEX_ALLOCATION"},
        {"/names/LongFileNameWithDosTwin.txt", 0x80, L"", L"\\names\\LongFileNameWithDosTwin.txt::$DATA"},
        {"/names/naïve café.txt", 0x80, L"", L"\\names\\na\u00EFve caf\u00E9.txt::$DATA"},
        {"/names/日本語のファイル名.txt", 0x80, L"", L"\\names\\\u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB\u540D.txt::$DATA"},
        {"/names/🎉 confetti.txt", 0x80, L"", L"\\names\\\U0001F389 confetti.txt::$DATA"},
        {"/names/" + std::string(longName.begin(), longName.end()), 0x80, L"", L"\\names\\" + longName + L"::$DATA"},
        {"/deep/level1/level2/level3/level4/level5/level6/level7/level8/level9/level10/level11/level12/bottom.txt",
         0x80, L"",
         L"\\deep\\level1\\level2\\level3\\level4\\level5\\level6\\level7\\level8\\level9\\level10\\level11\\level12"
         L"\\bottom.txt::$DATA"},
        // Its one $FILE_NAME lies in an extension record.
        {"/docs/many-pieces.bin", 0x80, L"", L"\\docs\\many-pieces.bin::$DATA"},
        // Two hard links, one path: the first name in the record's attribute order.
        {"/other/hardlink.txt", 0x80, L"", L"\\links\\original.txt::$DATA"},
    };
    for (const Case& test : cases) {
        const std::uint64_t record = test.file.empty() ? 5 : Record(test.file);
        const auto stream = std::find_if(Table().streams.begin(), Table().streams.end(), [&](const FileTableStream& s) {
            return s.record == record && s.attributeType == test.type && s.attributeName == test.attributeName;
        });
        ASSERT_NE(stream, Table().streams.end()) << test.file;
        EXPECT_EQ(Table().StreamName(*stream), test.expected) << test.file;
    }
}

TEST_F(FileTableImage, DataRunsAreWholeAndInOrderHowEverTheFileIsLaidOut)
{
    for (const std::string file : {"/docs/many-pieces.bin", "/docs/fragmented-1.bin", "/docs/fragmented-2.bin",
                                   "/docs/fragmented-3.bin", "/docs/sparse.bin", "/packed/log.txt"}) {
        const FileTableStream* stream = DataStream(Table(), Record(file));
        ASSERT_NE(stream, nullptr) << file;
        const std::vector<ClusterRun>& expected = image_->dataRuns.at(Record(file));
        ASSERT_EQ(stream->runCount, expected.size()) << file;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(Table().runs[stream->firstRun + i].firstCluster, expected[i].firstCluster) << file << " run " << i;
            EXPECT_EQ(Table().runs[stream->firstRun + i].clusterCount, expected[i].clusterCount) << file << " run " << i;
        }
    }
    EXPECT_GT(image_->dataRuns.at(Record("/docs/many-pieces.bin")).size(), 500u);
    const std::vector<ClusterRun>& backwards = image_->dataRuns.at(Record("/docs/fragmented-3.bin"));
    EXPECT_GT(backwards.size(), 100u);
    EXPECT_LT(backwards[1].firstCluster, backwards[0].firstCluster) << "runs that step back on the volume";
}

TEST_F(FileTableImage, LeavesOutTheDeletedFile)
{
    const std::uint64_t deleted = image_->deletedRecord;
    const FileTableFile& entry = Table().files.at(deleted);
    EXPECT_FALSE(entry.inUse || entry.directory || entry.parent != 0 || entry.nameLength != 0);
    EXPECT_TRUE(std::none_of(Table().streams.begin(), Table().streams.end(),
                             [&](const FileTableStream& stream) { return stream.record == deleted; }));
    EXPECT_TRUE(std::none_of(Table().files.begin(), Table().files.end(),
                             [&](const FileTableFile& file) { return Table().NameOf(file) == L"gone.txt"; }));
}

TEST_F(FileTableImage, FileSystemFilesAreTheReservedRecordsAndEverythingUnderExtend)
{
    std::vector<std::uint64_t> underExtend;
    for (std::uint64_t record = 16; record < Table().files.size(); ++record) {
        if (Table().files[record].inUse && Table().files[record].parent == 11)
            underExtend.push_back(record);
    }
    ASSERT_FALSE(underExtend.empty());
    for (const std::uint64_t record : underExtend)
        EXPECT_TRUE(Table().IsFileSystemFile(record)) << record;
    EXPECT_TRUE(Table().IsFileSystemFile(0));
    EXPECT_TRUE(Table().IsFileSystemFile(15));
    EXPECT_FALSE(Table().IsFileSystemFile(16));
    EXPECT_FALSE(Table().IsFileSystemFile(Record("/docs/big.bin")));
    EXPECT_FALSE(Table().IsFileSystemFile(Record("/bigdir")));
}

TEST_F(FileTableImage, ProgressCountsUpToEveryRecordAndCanStopThePass)
{
    MemoryVolumeBytes volume(image_->bytes);
    std::uint64_t lastDone = 0;
    std::uint64_t lastTotal = 0;
    ReadFileTable(volume, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        lastTotal = total;
        return true;
    });
    EXPECT_EQ(lastDone, Table().records);
    EXPECT_EQ(lastTotal, Table().records);
    EXPECT_EQ(ReadFileTable(volume, [](std::uint64_t, std::uint64_t) { return false; }).end, FileTableEnd::Stopped);
}

} // namespace
} // namespace trackkit
