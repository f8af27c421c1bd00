#include "tracking/cluster_lookup.h"

#include <gtest/gtest.h>

#include "support/lookup_reply.h"
#include "support/recording_host.h"

namespace trackkit {
namespace {

using testing::AnswerLookup;
using testing::HandBuiltReply;
using Clusters = std::vector<std::uint64_t>;
using Entries = std::vector<ClusterLookupEntry>;
constexpr std::uint32_t k64K = 64 * 1024, k4K = 4 * 1024, kMax32 = 0xFFFFFFFF;
constexpr std::size_t kMiB = 1024 * 1024;

TEST(ClusterLookupTest, ACellAsksForTheFirstClusterOfEachOfItsBlocksBeforeN)
{
    const struct { const char* name; ClusterLookupCell cell; Clusters clusters; } cases[] = {
        {"64 KiB blocks on 4 KiB clusters: 16 apart", {8, 4, 1000, k64K, k4K}, {128, 144, 160, 176}},
        {"last cell of a packed map stops at N - 1", {96, 8, 100, k64K, k4K}, {1536, 1552, 1568, 1584}},
        {"cell starting at N", {100, 4, 100, k64K, k4K}, {}},
        {"cluster size unknown", {8, 4, 1000, k64K, 0}, {}},
        {"blocks smaller than clusters ask each cluster once", {6, 4, 1000, 2048, k4K}, {3, 4}},
        {"truncating division", {5, 2, 1000, 3000, k4K}, {3, 4}},
        {"largest block and sizes do not overflow", {kMax32 - 1, 4, kMax32, kMax32, 1}, {std::uint64_t{kMax32 - 1} * kMax32}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClustersOfCell(c.cell), c.clusters) << c.name;
}

TEST(ClusterLookupTest, TheRequestIsFlagsCountThenLittleEndianClusters)
{
    const std::vector<std::uint8_t> expected{0, 0, 0, 0, 2, 0, 0, 0, 0x90, 0x0C, 0, 0, 0, 0, 0, 0,  // flags, count, 3216
                                             0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(EncodeLookupRequest(Clusters{3216, 0x1122334455667788}), expected);
    EXPECT_EQ(EncodeLookupRequest(Clusters{}), std::vector<std::uint8_t>(8, 0));
}

// A lying reply ends the walk where its bytes stop making sense; what was read before stays listed.
TEST(ClusterLookupTest, DecodingReadsOnlyTheBytesItIsGivenAndNeverLoops)
{
    const ClusterLookupEntry a{0x1122334455667788, 0x01000002, L"\\a"}, b{7, 0x03000005, L"\\b"}, abc{10, 0, L"\\abc"};
    const HandBuiltReply two = HandBuiltReply(128).Header(16, 2).Entry(16, 40, a).Entry(56, 0, b);
    const struct { const char* name; HandBuiltReply reply; std::size_t length; Entries entries; } cases[] = {
        {"well formed, in the file system's order", two, 128, {a, b}},
        {"header cut short", two, 11, {}},
        {"second entry's fixed part cut short", two, 56 + 23, {a}},
        {"second entry's fixed part just fits", two, 56 + 24, {a, {7, 0x03000005, L""}}},
        {"first offset outside the bytes", HandBuiltReply(64).Header(4096), 64, {}},
        {"first offset into the header", HandBuiltReply(64).Header(4).Entry(16, 0, a), 64, {}},
        {"next entry outside the bytes", HandBuiltReply(128).Header(16).Entry(16, 4096, a), 128, {a}},
        {"next offset backwards (wraps in 32 bits)", HandBuiltReply(128).Header(56).Entry(16, 0, a).Entry(56, 0xFFFFFFD8, b), 128, {b}},
        {"cycle back to the first entry", HandBuiltReply(128).Header(16).Entry(16, 40, a).Entry(56, 0xFFFFFFD8, b), 128, {a, b}},
        {"next offset into the entry's name", HandBuiltReply(128).Header(16).Entry(16, 26, a), 128, {a}},
        {"next entry right after the terminator", HandBuiltReply(128).Header(16).Entry(16, 30, a).Entry(46, 0, b), 128, {a, b}},
        {"unterminated name cut at the end of the bytes", HandBuiltReply(48).Header(16).Entry(16, 0, abc, false), 48, {abc}},
        {"odd last byte of an unterminated name dropped", HandBuiltReply(48).Header(16).Entry(16, 0, abc, false), 47, {{10, 0, L"\\ab"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeLookupReply(std::span(c.reply.bytes).first(c.length)), c.entries) << c.name;
}

TEST(ClusterLookupTest, FlagWordsInOrderWithBarsAfterTheFirst)
{
    const std::pair<std::uint32_t, const wchar_t*> cases[] = {
        {0, L"None"}, {0x04000000, L"None"}, {0xFF0000F0, L"None"}, {0x01000002, L"DenyDefrag| Data"},
        {0x020000F6, L"DenyDefrag| FsSys| Index"}, {0x0300000F, L"PageFile| DenyDefrag| FsSys| TxF| System"},
    };
    for (const auto& [flags, text] : cases)
        EXPECT_EQ(FlagWords(flags), text) << std::hex << flags;
}

TEST(ClusterLookupTest, RowsSortStablyAndTheTitleSpansTheirClusters)
{
    Entries shared{{5, 0, L"first"}, {3, 0, L"x"}, {5, 0, L"second"}, {3, 0, L"y"}, {5, 0, L"third"}};
    SortByCluster(shared);
    EXPECT_EQ(shared, (Entries{{3, 0, L"x"}, {3, 0, L"y"}, {5, 0, L"first"}, {5, 0, L"second"}, {5, 0, L"third"}}));
    EXPECT_EQ(LookupTitle({}), L"Clusters 0 to 0 (0)");
    EXPECT_EQ(LookupTitle(Entries{{~0ull, 0, L""}, {1ull << 63, 0, L""}}),
              L"Clusters 9223372036854775808 to 18446744073709551615 (2)");
}

class RunClusterLookupTest : public ::testing::Test {
protected:
    ClusterLookupResult Run(const LookupReplyLimits& limits = {})
    {
        testing::ScriptedVolume volume(script_);
        return RunClusterLookup(volume, request_, limits);
    }

    testing::ScriptedVolume::Script script_;
    const std::vector<std::uint8_t> request_ = EncodeLookupRequest(Clusters{128, 144});
};

TEST_F(RunClusterLookupTest, GrowsAZeroedReplyBufferUntilItFitsAndListsTheRowsSorted)
{
    bool zeroFilled = true;
    script_.lookupReply = [&](auto, std::span<std::uint8_t> out) {
        zeroFilled = zeroFilled && std::ranges::all_of(out, [](std::uint8_t b) { return b == 0; });
        return AnswerLookup(out, {{900, 0, L"\\c"}, {100, 0x01000000, L"\\a"}, {500, 0, L"\\b"}}, 3 * kMiB);
    };
    const ClusterLookupResult result = Run();

    EXPECT_EQ(script_.lookupReplyLengths, (std::vector<std::size_t>{kMiB, 2 * kMiB, 4 * kMiB}));
    EXPECT_TRUE(zeroFilled);
    EXPECT_EQ(script_.lookupRequests, std::vector(3, request_));
    EXPECT_EQ(result.outcome, LookupOutcome::Listed);
    EXPECT_EQ(result.entries, (Entries{{100, 0x01000000, L"\\a"}, {500, 0, L"\\b"}, {900, 0, L"\\c"}}));
    EXPECT_EQ(result.title, L"Clusters 100 to 900 (3)");
}

// The buffer doubles from the first length while the file system asks for more, never past the ceiling.
TEST_F(RunClusterLookupTest, OutcomesOfTheFileSystemsAnswers)
{
    const Entries one{{7, 0, L"\\one"}};
    const std::vector<std::size_t> upToTheCeiling{kMiB, 2 * kMiB, 4 * kMiB, 8 * kMiB, 16 * kMiB, 32 * kMiB, 64 * kMiB};
    const auto moreData = [](auto, auto) { return DriverReply::Failure(kErrorMoreData); };
    using Answer = std::function<DriverReply(std::span<const std::uint8_t>, std::span<std::uint8_t>)>;
    using enum LookupOutcome;
    const struct { const char* name; Answer answer; LookupReplyLimits limits; LookupOutcome outcome; std::size_t entries;
                   std::vector<std::size_t> lengths; } cases[] = {
        {"fits at once", [&](auto, auto out) { return AnswerLookup(out, one); }, {}, Listed, 1, {kMiB}},
        {"rejected: no file owns the clusters", [](auto, auto) { return DriverReply::Failure(87); }, {}, Notice, 0, {kMiB}},
        {"more data, then rejected", [](auto, auto out) { return DriverReply::Failure(out.size() < 2 * kMiB ? kErrorMoreData : 1); },
         {}, Notice, 0, {kMiB, 2 * kMiB}},
        {"always more data: too many to list", moreData, {}, TooMany, 0, upToTheCeiling},
        {"fits only at the ceiling", [&](auto, auto out) { return AnswerLookup(out, one, 64 * kMiB); }, {}, Listed, 1, upToTheCeiling},
        {"small limits", moreData, {16, 100}, TooMany, 0, {16, 32, 64}},
        {"a first length of 0 still ends", moreData, {0, 4}, TooMany, 0, {1, 2, 4}},
        {"success without entries", [](auto, auto out) { return AnswerLookup(out, {}); }, {}, Notice, 0, {kMiB}},
        {"claims more bytes than the buffer holds",
         [&](auto, auto out) { AnswerLookup(out, one); return DriverReply::Success(kMax32); }, {}, Listed, 1, {kMiB}},
        {"returns fewer bytes than it wrote, cutting the second entry's fixed part: only those are read",
         [](auto, auto out) { AnswerLookup(out, {{7, 0, L"\\one"}, {8, 0, L"\\two"}}); return DriverReply::Success(56 + 23); },
         {}, Listed, 1, {kMiB}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        script_ = {};
        script_.lookupReply = c.answer;
        const ClusterLookupResult result = Run(c.limits);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.entries.size(), c.entries);
        EXPECT_EQ(script_.lookupReplyLengths, c.lengths);
    }
}

// Memory may run out anywhere in a lookup (the cell's cluster list, the request, the decoded names); the click
// then goes unanswered instead of the failure escaping into the pane's window procedure.
TEST_F(RunClusterLookupTest, RunningOutOfMemoryAnswersNothing)
{
    script_.lookupReply = [](auto, auto) -> DriverReply { throw std::bad_alloc(); };
    testing::ScriptedVolume volume(script_);
    ClusterLookupResult result{LookupOutcome::Listed, {}, {}};
    EXPECT_NO_THROW(result = LookUpCell(volume, {0, 4, 100, k64K, k4K}));
    EXPECT_EQ(result.outcome, LookupOutcome::Nothing);
    EXPECT_EQ(LookUpCell(volume, {100, 4, 100, k64K, k4K}).outcome, LookupOutcome::Nothing) << "a cell past N asks nothing";
    EXPECT_EQ(script_.lookupRequests.size(), 1u);
}

} // namespace
} // namespace trackkit
