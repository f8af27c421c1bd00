// Which files changed, found from a real NTFS volume's file table (made by ntfs-3g's tools), against what
// ntfscluster says owns each cluster.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "changes/changed_files_table.h"
#include "changes/changed_files_way.h"
#include "filetable/memory_volume_bytes.h"
#include "expected_changes.h"
#include "sim/plain_locale_text.h"

namespace trackkit {
namespace {

// A volume whose file system refuses the cluster lookup (as under Wine) but whose bytes can be read raw.
class RefusingVolume final : public TrackedVolume {
public:
    explicit RefusingVolume(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    DriverReply QueryGeometry(std::span<std::uint8_t>) override { return {}; }
    DriverReply QueryStatistics(std::span<std::uint8_t>) override { return {}; }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t>) override { return {}; }
    DriverReply RequestRemoval() override { return {}; }
    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t>, std::span<std::uint8_t>) override
    {
        return DriverReply::Failure(50);
    }
    std::uint32_t ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into) override { return bytes_.ReadAt(offset, into); }

private:
    MemoryVolumeBytes bytes_;
};

// For random bitmaps of blocks of two to eight clusters: each stream's changed bytes and blocks, and the
// summary's totals, are what ntfscluster's owners of the changed clusters add up to.
TEST(FileTableChangesTest, EachStreamsChangedBytesAndBlocksAreWhatNtfsclusterSaysItOwns)
{
    std::string reason;
    const NtfsTestImage* image = TestImage(reason);
    if (image == nullptr)
        GTEST_SKIP() << reason;
    MemoryVolumeBytes bytes(image->bytes);
    const FileTableResult read = ReadFileTable(bytes);
    ASSERT_EQ(read.end, FileTableEnd::Read);
    const FileTable& table = read.table;
    const std::uint32_t cluster = table.geometry.bytesPerCluster;
    std::mt19937 random(11);
    for (const std::uint32_t clustersPerBlock : {2u, 8u}) {
        const std::uint32_t bytesPerBlock = clustersPerBlock * cluster;
        const auto blockCount = static_cast<std::uint32_t>((image->bytes.size() + bytesPerBlock - 1) / bytesPerBlock);
        std::vector<std::uint8_t> bitmap((blockCount + 7) / 8);
        for (std::uint8_t& byte : bitmap)
            byte = static_cast<std::uint8_t>(random() & random());  // about a quarter of the blocks
        const ChangedFilesGeometry geometry{blockCount, bytesPerBlock, cluster, image->bytes.size()};

        const ExpectedChanges expected = ExpectedChangesOf(*image, table, geometry, bitmap);
        RefusingVolume volume(image->bytes);
        const ChangedFilesReport report = FindChangedFilesEitherWay(volume, geometry, bitmap, {}, {});
        std::map<std::wstring, ExpectedStream> found;
        for (const ChangedFile& file : report.files)
            found[file.path] = {file.changedBytes, file.blocks};
        EXPECT_EQ(found, expected.streams) << clustersPerBlock;
        EXPECT_EQ(std::tuple(report.way, report.lookupFailure, report.answeredBytes, report.fileBytes),
                  std::tuple(ChangedFilesWay::FileTable, 50u, expected.answeredBytes, expected.fileBytes))
            << "the lookup refused: the file table read";
        PlainLocaleText locale;
        EXPECT_TRUE(ChangedFilesStatus(report, [](std::uint32_t) { return std::wstring(L"not supported"); }, locale)
                        .ends_with(L"The file system refused its cluster lookup (not supported), so its file table was read."));
    }
}

} // namespace
} // namespace trackkit
