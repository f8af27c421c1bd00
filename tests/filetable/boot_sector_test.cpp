// The boot sector's fields, from the real image's first sector with one
// field changed at a time.

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "filetable/file_table.h"
#include "filetable/ntfs_test_image.h"

namespace trackkit {
namespace {

TEST(FileTableBootSector, GivesTheGeometryOfSoundFieldsAndNothingForOutOfRangeOnes)
{
    std::string reason;
    const NtfsTestImage* image = TestImage(reason);
    if (image == nullptr)
        GTEST_SKIP() << reason;
    const std::vector<std::uint8_t> sound(image->bytes.begin(), image->bytes.begin() + 512);
    const std::optional<NtfsGeometry> made = ReadNtfsBootSector(sound);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->bytesPerSector, 512u);
    EXPECT_EQ(made->bytesPerCluster, 4096u);
    EXPECT_EQ(made->bytesPerRecord, 1024u);
    EXPECT_EQ(made->clusterCount, image->bytes.size() / 4096 - 1);  // mkntfs keeps the last sector for the backup boot sector
    EXPECT_EQ(made->mftCluster, image->dataRuns.at(0).front().firstCluster);

    struct Case {
        const char* field;
        std::size_t offset;
        std::uint8_t value;
        std::uint32_t bytesPerCluster;  // 0: rejected
        std::uint32_t bytesPerRecord;
    };
    const Case cases[] = {
        {"sectors per cluster 2^12, as a negative byte", 0x0D, 0xF4, 2u << 20, 1024},
        {"sectors per cluster 2^13: past 2 MiB", 0x0D, 0xF3, 0, 0},
        {"sectors per cluster 0", 0x0D, 0, 0, 0},
        {"sectors per cluster 3", 0x0D, 3, 0, 0},
        {"bytes per sector 256", 0x0C, 0x01, 0, 0},
        {"bytes per sector 8192", 0x0C, 0x20, 0, 0},
        {"bytes per sector 1000", 0x0B, 0xE8, 0, 0},
        {"a record of one cluster", 0x40, 1, 4096, 4096},
        {"a record of 2^9 bytes", 0x40, 0xF7, 4096, 512},
        {"a record of 2^8 bytes: smaller than a sector", 0x40, 0xF8, 0, 0},
        {"a record of 32 clusters", 0x40, 32, 0, 0},
        {"a record of no clusters", 0x40, 0, 0, 0},
        {"$MFT past the volume", 0x37, 0x01, 0, 0},
        {"no sectors", 0x2D, 0, 0, 0},
    };
    for (const Case& test : cases) {
        std::vector<std::uint8_t> sector = sound;
        sector[test.offset] = test.value;
        if (test.offset == 0x2D)
            ByteWriter(sector).U64At(0x28, 0);
        const std::optional<NtfsGeometry> geometry = ReadNtfsBootSector(sector);
        EXPECT_EQ(geometry.has_value(), test.bytesPerCluster != 0) << test.field;
        if (geometry && test.bytesPerCluster != 0) {
            EXPECT_EQ(geometry->bytesPerCluster, test.bytesPerCluster) << test.field;
            EXPECT_EQ(geometry->bytesPerRecord, test.bytesPerRecord) << test.field;
        }
    }
    EXPECT_FALSE(ReadNtfsBootSector(std::span(sound).first(64)));

    std::vector<std::uint8_t> lastCluster = sound;
    ByteWriter(lastCluster).U64At(0x30, made->clusterCount - 1);
    EXPECT_TRUE(ReadNtfsBootSector(lastCluster));
    ByteWriter(lastCluster).U64At(0x30, made->clusterCount);
    EXPECT_FALSE(ReadNtfsBootSector(lastCluster)) << "$MFT one cluster past the volume";
}

} // namespace
} // namespace trackkit
