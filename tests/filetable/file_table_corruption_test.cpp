// Bad input: a real image's bytes with one lie planted in them, and what the
// reader makes of each. Nothing in the bytes is trusted: the lie is counted
// and left out, and the rest of the volume reads as before.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "common/byte_reader.h"
#include "filetable/file_table.h"
#include "filetable/memory_volume_bytes.h"
#include "filetable/ntfs_test_image.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kRecordBytes = 1024;

struct Lie {
    const char* what;
    std::function<void()> plant;
};

// Counts the reads that cover one byte, and can hand out other bytes the
// first time: a record a live volume was writing while it was read. Can
// also fail every read after some (ERROR_CRC): a disk that gave up.
class WatchedVolume final : public VolumeBytes {
public:
    WatchedVolume(std::span<const std::uint8_t> bytes, std::uint64_t watched) : memory_(bytes), watched_(watched) {}

    std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        if (readsBeforeFailing-- <= 0)
            return 23;
        const std::uint32_t error = memory_.ReadAt(offset, into);
        if (error == 0 && offset <= watched_ && watched_ < offset + into.size()) {
            ++readsOfWatched;
            if (readsOfWatched <= tornReads)
                into[watched_ - offset] ^= 0xFF;
        }
        return error;
    }

    int readsOfWatched = 0;
    int tornReads = 0;
    int readsBeforeFailing = 1 << 30;

private:
    MemoryVolumeBytes memory_;
    std::uint64_t watched_;
};

class FileTableCorruption : public testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        image_ = TestImage(reason);
        if (image_ == nullptr)
            GTEST_SKIP() << reason;
        bytes_ = image_->bytes;
        MemoryVolumeBytes volume(bytes_);
        clean_ = ReadFileTable(volume).table;
    }

    std::uint64_t Record(const std::string& path) const { return image_->records.at(path); }

    // Where a record lies in the image, through $MFT's runs.
    std::uint64_t RecordOffset(std::uint64_t record) const
    {
        const FileTableStream* mft = DataStream(clean_, 0);
        if (mft == nullptr) {
            ADD_FAILURE() << "no $MFT in the clean read";
            return 0;
        }
        std::uint64_t skip = record * kRecordBytes;
        for (std::size_t i = mft->firstRun; i < mft->firstRun + mft->runCount; ++i) {
            const ClusterRun& run = clean_.runs[i];
            const std::uint64_t runBytes = run.clusterCount * clean_.geometry.bytesPerCluster;
            if (skip < runBytes)
                return run.firstCluster * clean_.geometry.bytesPerCluster + skip;
            skip -= runBytes;
        }
        ADD_FAILURE() << "record " << record << " is past $MFT's runs";
        return 0;
    }

    // Where the first attribute of a type begins in the image (those used
    // here lie in the record's first 512 bytes, before the update sequence's
    // tail).
    std::uint64_t AttributeOffset(std::uint64_t record, std::uint32_t type) const
    {
        const std::uint64_t base = RecordOffset(record);
        ByteReader reader(bytes_);
        for (std::uint64_t at = base + reader.U16At(base + 0x14); reader.U32At(at) != 0xFFFFFFFF;
             at += reader.U32At(at + 4)) {
            if (reader.U32At(at) == type)
                return at;
        }
        ADD_FAILURE() << "record " << record << " has no attribute " << type;
        return 0;
    }

    std::uint64_t ResidentValueOffset(std::uint64_t attribute) const
    {
        return attribute + ByteReader(bytes_).U16At(attribute + 0x14);
    }

    // A nonresident attribute's run list replaced.
    void PlantRuns(std::uint64_t attribute, std::initializer_list<std::uint8_t> runs)
    {
        const std::uint64_t pairs = attribute + ByteReader(bytes_).U16At(attribute + 0x20);
        std::copy(runs.begin(), runs.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(pairs));
    }
    void PlantRunPastTheVolume(std::uint64_t attribute) { PlantRuns(attribute, {0x21, 0x01, 0xFF, 0x7F, 0x00}); }

    FileTableResult Read()
    {
        MemoryVolumeBytes volume(bytes_);
        return ReadFileTable(volume);
    }

    const NtfsTestImage* image_ = nullptr;
    std::vector<std::uint8_t> bytes_;
    FileTable clean_;
};

void Write48(std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint64_t record)
{
    ByteWriter writer(bytes);
    writer.U32At(offset, static_cast<std::uint32_t>(record));
    writer.U16At(offset + 4, static_cast<std::uint16_t>(record >> 32));
}

TEST_F(FileTableCorruption, RecordsThatLieAreCountedAndLeftOutAlone)
{
    const std::uint64_t readme = Record("/docs/readme.txt");
    const std::vector<Lie> lies{
        {"not a file record", [&] { bytes_[RecordOffset(readme) + 3] = 'X'; }},
        {"first attribute past the record",
         [&] { ByteWriter(bytes_).U32At(AttributeOffset(readme, 0x10) + 4, 0x10000); }},
        {"update sequence array outside the first stride",
         [&] { ByteWriter(bytes_).U16At(RecordOffset(readme) + 4, 506); }},
        {"bytes in use past the record", [&] { ByteWriter(bytes_).U32At(RecordOffset(readme) + 0x18, 0x1000); }},
        {"first attribute beyond the bytes in use",
         [&] { ByteWriter(bytes_).U32At(RecordOffset(readme) + 0x18, 0x30); }},
        {"a file name longer than its value",
         [&] { bytes_[ResidentValueOffset(AttributeOffset(readme, 0x30)) + 0x40] = 200; }},
        {"a file name of no characters", [&] { bytes_[ResidentValueOffset(AttributeOffset(readme, 0x30)) + 0x40] = 0; }},
        {"a file name in no name space", [&] { bytes_[ResidentValueOffset(AttributeOffset(readme, 0x30)) + 0x41] = 4; }},
        {"a file name with a 0 in it",
         [&] { ByteWriter(bytes_).U16At(ResidentValueOffset(AttributeOffset(readme, 0x30)) + 0x42, 0); }},
    };
    for (const Lie& lie : lies) {
        bytes_ = image_->bytes;
        lie.plant();
        const FileTableResult result = Read();
        ASSERT_EQ(result.end, FileTableEnd::Read) << lie.what;
        EXPECT_EQ(result.table.recordsUnsound, 1u) << lie.what;
        EXPECT_FALSE(result.table.files[readme].inUse) << lie.what;
        EXPECT_EQ(result.table.streams.size(), clean_.streams.size()) << lie.what;
    }
}

TEST_F(FileTableCorruption, ARunPastTheVolumeLosesOnlyThatStream)
{
    const std::uint64_t big = Record("/docs/big.bin");
    PlantRunPastTheVolume(AttributeOffset(big, 0x80));

    const FileTableResult result = Read();
    EXPECT_EQ(result.table.recordsUnsound, 1u);
    EXPECT_EQ(result.table.NameOf(result.table.files[big]), L"big.bin");
    EXPECT_EQ(DataStream(result.table, big), nullptr);
    EXPECT_EQ(result.table.streams.size(), clean_.streams.size() - 1);
}

TEST_F(FileTableCorruption, ATornRecordIsReadTwiceThenCountedUnreadable)
{
    const std::uint64_t readme = Record("/docs/readme.txt");
    const std::uint64_t strideTail = RecordOffset(readme) + 510;
    struct Case {
        int tornReads;
        bool readable;
    };
    for (const Case test : {Case{1, true}, Case{2, false}, Case{100, false}}) {
        WatchedVolume volume(image_->bytes, strideTail);
        volume.tornReads = test.tornReads;
        const FileTableResult result = ReadFileTable(volume);
        EXPECT_EQ(volume.readsOfWatched, 2) << test.tornReads;
        EXPECT_EQ(result.table.recordsUnreadable, test.readable ? 0u : 1u) << test.tornReads;
        EXPECT_EQ(result.table.files[readme].inUse, test.readable) << test.tornReads;
    }
}

TEST_F(FileTableCorruption, AnAttributeListIsFollowedOnlyToRecordsThatBelongToTheFile)
{
    const std::uint64_t file = Record("/docs/many-pieces.bin");
    const FileTableStream* whole = DataStream(clean_, file);
    ASSERT_NE(whole, nullptr);
    // ntfs-3g made this list nonresident: its value is the first cluster of the file's $ATTRIBUTE_LIST.
    const auto listStream = std::find_if(clean_.streams.begin(), clean_.streams.end(), [&](const FileTableStream& s) {
        return s.record == file && s.attributeType == 0x20;
    });
    ASSERT_NE(listStream, clean_.streams.end());
    const std::uint64_t list = clean_.runs[listStream->firstRun].firstCluster * clean_.geometry.bytesPerCluster;
    // The list's last two entries name the extension records with the last two pieces of $DATA.
    ByteReader reader(bytes_);
    std::vector<std::uint64_t> entries;
    for (std::uint64_t entry = list; reader.U32At(entry) != 0 && reader.U16At(entry + 4) != 0;
         entry += reader.U16At(entry + 4))
        entries.push_back(entry);
    const std::uint64_t last = entries.back();
    const auto recordOf = [&](std::uint64_t entry) { return reader.U64At(entry + 0x10) & 0xFFFF'FFFF'FFFF; };
    const std::uint64_t extension = recordOf(last);
    const std::uint64_t previous = recordOf(entries[entries.size() - 2]);
    ASSERT_EQ(reader.U32At(last), 0x80u);
    ASSERT_NE(extension, file);
    ASSERT_NE(previous, extension);

    const std::vector<Lie> lies{
        {"the list names the file's own record for the piece", [&] { Write48(bytes_, last + 0x10, file); }},
        {"the extension record names another file as its base",
         [&] { Write48(bytes_, RecordOffset(extension) + 0x20, Record("/docs/readme.txt")); }},
        {"the list names a record past the table", [&] { Write48(bytes_, last + 0x10, 1u << 30); }},
        {"the list's last entry runs past the list", [&] { ByteWriter(bytes_).U16At(last + 4, 0x7FF8); }},
        {"the list says its runs start past its first cluster",
         [&] { ByteWriter(bytes_).U64At(AttributeOffset(file, 0x20) + 0x10, 1); }},
        {"two records claim the same piece",
         [&] {
             const std::uint64_t claimed = ByteReader(bytes_).U64At(AttributeOffset(previous, 0x80) + 0x10);
             ByteWriter(bytes_).U64At(AttributeOffset(extension, 0x80) + 0x10, claimed);
         }},
    };
    for (const Lie& lie : lies) {
        bytes_ = image_->bytes;
        lie.plant();
        const FileTableResult result = Read();
        EXPECT_EQ(result.table.recordsUnsound, 1u) << lie.what;
        const FileTableStream* joined = DataStream(result.table, file);
        ASSERT_NE(joined, nullptr) << lie.what;
        EXPECT_GT(joined->runCount, 0u) << lie.what;
        EXPECT_LT(joined->runCount, whole->runCount) << lie.what;
        EXPECT_TRUE(std::equal(result.table.runs.begin() + joined->firstRun,
                               result.table.runs.begin() + joined->firstRun + joined->runCount,
                               clean_.runs.begin() + whole->firstRun,
                               [](const ClusterRun& a, const ClusterRun& b) {
                                   return a.firstCluster == b.firstCluster && a.clusterCount == b.clusterCount;
                               }))
            << lie.what;
    }
}

TEST_F(FileTableCorruption, APathWhoseParentsLoopOrVanishIsMarkedWhereItBreaks)
{
    const std::uint64_t file = Record(
        "/deep/level1/level2/level3/level4/level5/level6/level7/level8/level9/level10/level11/level12/bottom.txt");
    std::vector<std::uint64_t> up{file};  // bottom.txt, level12, ..., level1, deep
    while (up.size() < 14)
        up.push_back(clean_.files[up.back()].parent);
    const std::uint64_t level2 = up[11];
    const std::uint64_t level1 = up[12];
    const std::uint64_t deep = up[13];
    ASSERT_EQ(clean_.NameOf(clean_.files[deep]), L"deep");
    const std::wstring path = L"\\deep\\level1\\level2\\level3\\level4\\level5\\level6\\level7\\level8\\level9\\level10"
                              L"\\level11\\level12\\bottom.txt::$DATA";
    struct Case {
        std::uint64_t parentOfDeep;
        std::uint64_t brokenAt;
    };
    const std::uint64_t readme = Record("/docs/readme.txt");  // a file, not a directory
    for (const Case test : {Case{level2, level2}, Case{level1, level1}, Case{image_->deletedRecord, image_->deletedRecord},
                            Case{readme, readme}, Case{1u << 30, 1u << 30}}) {
        bytes_ = image_->bytes;
        Write48(bytes_, ResidentValueOffset(AttributeOffset(deep, 0x30)), test.parentOfDeep);
        const FileTableResult result = Read();
        EXPECT_EQ(result.table.StreamName(*DataStream(result.table, file)),
                  L"\\?" + std::to_wstring(test.brokenAt) + path);
        EXPECT_FALSE(result.table.IsFileSystemFile(file));
    }
}

TEST_F(FileTableCorruption, AVolumeWithoutASoundBootSectorOrTableRecordEndsThePass)
{
    struct Case {
        const char* lie;
        std::function<void()> plant;
        FileTableEnd end;
        std::uint32_t error;
    };
    const std::vector<Case> cases{
        {"not NTFS", [&] { bytes_[3] = 'X'; }, FileTableEnd::NotNtfs, 0},
        {"$MFT's record torn", [&] { bytes_[RecordOffset(0) + 510] ^= 0xFF; }, FileTableEnd::Unreadable, 1392},
        {"$MFT's record not in use", [&] { bytes_[RecordOffset(0) + 0x16] = 0; }, FileTableEnd::Unreadable, 1392},
        {"$MFT's run past the volume", [&] { PlantRunPastTheVolume(AttributeOffset(0, 0x80)); },
         FileTableEnd::Unreadable, 1392},
        {"a hole in $MFT", [&] { PlantRuns(AttributeOffset(0, 0x80), {0x01, 0x10, 0x00}); }, FileTableEnd::Unreadable,
         1392},
        {"a volume shorter than its boot sector says", [&] { bytes_.resize(RecordOffset(0)); },
         FileTableEnd::Unreadable, 27},
    };
    for (const Case& test : cases) {
        bytes_ = image_->bytes;
        test.plant();
        const FileTableResult result = Read();
        EXPECT_EQ(result.end, test.end) << test.lie;
        EXPECT_EQ(result.error, test.error) << test.lie;
    }
}

TEST_F(FileTableCorruption, AVolumeThatEndsInsideTheTableGivesTheRecordsBeforeItsEnd)
{
    const std::uint64_t readme = Record("/docs/readme.txt");
    bytes_.resize(RecordOffset(readme + 1));
    const FileTableResult result = Read();
    ASSERT_EQ(result.end, FileTableEnd::Read);
    EXPECT_EQ(result.table.NameOf(result.table.files[readme]), L"readme.txt");
    EXPECT_EQ(result.table.recordsUnreadable, clean_.records - readme - 1);

    WatchedVolume failing(image_->bytes, 0);
    failing.readsBeforeFailing = 2;  // the boot sector and $MFT's record, then nothing
    const FileTableResult ended = ReadFileTable(failing);
    EXPECT_EQ(ended.end, FileTableEnd::Unreadable);
    EXPECT_EQ(ended.error, 23u);
}

} // namespace
} // namespace trackkit
