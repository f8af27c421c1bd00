// Run lists that lie, hand-made: the sound ones are proven on the real
// image, cluster by cluster.

#include <gtest/gtest.h>

#include <vector>

#include "filetable/run_list.h"

namespace trackkit::ntfs {
namespace {

constexpr std::uint64_t kVolumeClusters = 16;

bool Sound(const std::vector<std::uint8_t>& pairs, std::uint64_t lowestVcn = 0)
{
    RunListReader reader(pairs, lowestVcn, kVolumeClusters);
    while (reader.Next()) {
    }
    EXPECT_FALSE(reader.Next()) << "a list once ended stays ended";
    return reader.Sound();
}

TEST(FileTableRunList, ALieEndsTheListAsUnsound)
{
    struct Case {
        const char* runs;
        std::vector<std::uint8_t> pairs;
        std::uint64_t lowestVcn;
        bool sound;
    };
    const std::vector<Case> cases{
        {"the volume's last cluster", {0x11, 0x01, 0x0F, 0x00}, 0, true},
        {"one cluster past the volume", {0x11, 0x02, 0x0F, 0x00}, 0, false},
        {"before the volume's first cluster", {0x11, 0x01, 0x04, 0x11, 0x01, 0xFB, 0x00}, 0, false},
        {"an offset that wraps past 2^64", {0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}, 0, false},
        {"a length of nine bytes", {0x19, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00}, 0, false},
        {"an offset of nine bytes", {0x91, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}, 0, false},
        {"a length of no bytes", {0x10, 0x01, 0x00}, 0, false},
        {"an empty run", {0x11, 0x00, 0x01, 0x00}, 0, false},
        {"fields past the attribute's end", {0x21, 0x01, 0x01}, 0, false},
        {"no end mark", {0x11, 0x01, 0x01}, 0, false},
        {"virtual clusters past 2^64", {0x01, 0x02, 0x00}, UINT64_MAX - 1, false},
        {"nothing at all", {}, 0, false},
    };
    for (const Case& test : cases)
        EXPECT_EQ(Sound(test.pairs, test.lowestVcn), test.sound) << test.runs;
}

} // namespace
} // namespace trackkit::ntfs
