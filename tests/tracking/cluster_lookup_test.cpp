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

// The buffer, zeroed, doubles from the first length while the file system asks for more, never past the
// ceiling; each try sends the same request.
TEST(RunClusterLookupTest, OutcomesOfTheFileSystemsAnswers)
{
    const Entries one{{7, 0, L"\\one"}}, unsorted{{900, 0, L"\\c"}, {100, 0x01000000, L"\\a"}, {500, 0, L"\\b"}};
    const wchar_t* oneTitle = L"Clusters 7 to 7 (1)";
    const std::vector<std::size_t> upToTheCeiling{kMiB, 2 * kMiB, 4 * kMiB, 8 * kMiB, 16 * kMiB, 32 * kMiB, 64 * kMiB};
    const auto moreData = [](auto) { return DriverReply::Failure(kErrorMoreData); };
    using enum LookupOutcome;
    const struct { const char* name; testing::ScriptedVolume::Reply answer; LookupReplyLimits limits; LookupOutcome outcome;
                   Entries entries; const wchar_t* title; std::vector<std::size_t> lengths; } cases[] = {
        {"fits at once", [&](auto out) { return AnswerLookup(out, one); }, {}, Listed, one, oneTitle, {kMiB}},
        {"rejected: no file owns the clusters", [](auto) { return DriverReply::Failure(87); }, {}, Notice, {}, L"", {kMiB}},
        {"more data, then rejected", [](auto out) { return DriverReply::Failure(out.size() < 2 * kMiB ? kErrorMoreData : 1); },
         {}, Notice, {}, L"", {kMiB, 2 * kMiB}},
        {"always more data: too many to list", moreData, {}, TooMany, {}, L"", upToTheCeiling},
        {"fits only at the ceiling, listed sorted", [&](auto out) { return AnswerLookup(out, unsorted, 64 * kMiB); }, {}, Listed,
         {unsorted[1], unsorted[2], unsorted[0]}, L"Clusters 100 to 900 (3)", upToTheCeiling},
        {"small limits", moreData, {16, 100}, TooMany, {}, L"", {16, 32, 64}},
        {"a first length of 0 still ends", moreData, {0, 4}, TooMany, {}, L"", {1, 2, 4}},
        {"success without entries", [](auto out) { return AnswerLookup(out, {}); }, {}, Notice, {}, L"", {kMiB}},
        {"claims more bytes than the buffer holds", [&](auto out) { AnswerLookup(out, one); return DriverReply::Success(kMax32); },
         {}, Listed, one, oneTitle, {kMiB}},
        {"returns fewer bytes than it wrote, cutting the second entry's fixed part: only those are read",
         [](auto out) { AnswerLookup(out, {{7, 0, L"\\one"}, {8, 0, L"\\two"}}); return DriverReply::Success(56 + 23); },
         {}, Listed, one, oneTitle, {kMiB}},
    };
    const std::vector<std::uint8_t> request = EncodeLookupRequest(Clusters{128, 144});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedVolume::Script script;
        bool zeroFilled = true;
        script.lookupReply = [&](auto, std::span<std::uint8_t> out) {
            zeroFilled = zeroFilled && std::ranges::all_of(out, [](std::uint8_t b) { return b == 0; });
            return c.answer(out);
        };
        testing::ScriptedVolume volume(script);
        const ClusterLookupResult result = RunClusterLookup(volume, request, c.limits);
        EXPECT_EQ(std::tie(result.outcome, result.entries, result.title), std::make_tuple(c.outcome, c.entries, c.title));
        EXPECT_EQ(std::tie(script.lookupReplyLengths, script.lookupRequests),
                  std::make_tuple(c.lengths, std::vector(c.lengths.size(), request)));
        EXPECT_TRUE(zeroFilled);
    }
}

// Memory may run out anywhere in a lookup (the cell's cluster list, the request, the decoded names); the click
// then goes unanswered instead of the failure escaping into the pane's window procedure.
TEST(RunClusterLookupTest, RunningOutOfMemoryAnswersNothing)
{
    testing::ScriptedVolume::Script script{.lookupReply = [](auto, auto) -> DriverReply { throw std::bad_alloc(); }};
    testing::ScriptedVolume volume(script);
    EXPECT_EQ(LookUpCell(volume, {0, 4, 100, k64K, k4K}).outcome, LookupOutcome::Nothing);
    EXPECT_EQ(LookUpCell(volume, {100, 4, 100, k64K, k4K}).outcome, LookupOutcome::Nothing) << "a cell past N asks nothing";
    EXPECT_EQ(script.lookupRequests.size(), 1u);
}

} // namespace
} // namespace trackkit
