#include "tracking/cluster_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "common/byte_reader.h"
#include "support/lookup_reply.h"
#include "support/recording_host.h"

namespace trackkit {
namespace {

using testing::ScriptedVolume;

constexpr std::uint32_t k64KiB = 64 * 1024;
constexpr std::uint32_t k4KiB = 4 * 1024;
constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMiB = 1024 * 1024;

using Clusters = std::vector<std::uint64_t>;

TEST(ClustersOfCell, FirstClusterOfEachBlockBeforeN)
{
    const struct {
        const char* name;
        ClusterLookupCell cell;
        Clusters clusters;
    } cases[] = {
        {"4 blocks of 64 KiB on 4 KiB clusters: 16 apart", {8, 4, 1000, k64KiB, k4KiB}, {128, 144, 160, 176}},
        {"last cell of a packed map stops at N - 1", {96, 8, 100, k64KiB, k4KiB}, {1536, 1552, 1568, 1584}},
        {"cell ending exactly at N", {96, 4, 100, k64KiB, k4KiB}, {1536, 1552, 1568, 1584}},
        {"cell starting at N is past the end", {100, 4, 100, k64KiB, k4KiB}, {}},
        {"cluster size unknown", {8, 4, 1000, k64KiB, 0}, {}},
        {"no blocks per cell", {8, 0, 1000, k64KiB, k4KiB}, {}},
        {"blocks smaller than clusters ask each cluster once", {6, 4, 1000, 2048, k4KiB}, {3, 4}},
        {"cluster larger than a cell", {0, 4, 1000, k64KiB, 2 * 1024 * 1024}, {0}},
        {"truncating division", {5, 2, 1000, 3000, k4KiB}, {3, 4}},
        {"largest block and sizes do not overflow", {kMax32 - 1, 4, kMax32, kMax32, 1},
         {std::uint64_t{kMax32 - 1} * kMax32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClustersOfCell(c.cell), c.clusters);
    }
}

TEST(EncodeLookupRequest, FlagsCountThenLittleEndianClusters)
{
    const std::vector<std::uint8_t> request = EncodeLookupRequest(Clusters{3216, 0x1122334455667788ull});
    ASSERT_EQ(request.size(), 24u);
    ByteReader reader(request);
    EXPECT_EQ(reader.U32At(0), 0u) << "Flags";
    EXPECT_EQ(reader.U32At(4), 2u) << "NumberOfClusters";
    EXPECT_EQ(reader.U64At(8), 3216u);
    EXPECT_EQ(request[16], 0x88);
    EXPECT_EQ(request[23], 0x11);
    EXPECT_EQ(EncodeLookupRequest(Clusters{}).size(), 8u);
}

// A reply laid out by hand, byte by byte, the way the file system writes it:
// so that the decoder is checked against the published layout, not against
// our own encoder.
class HandBuiltReply {
public:
    explicit HandBuiltReply(std::size_t length) : bytes_(length, 0xCC) {}

    HandBuiltReply& Header(std::uint32_t firstOffset, std::uint32_t matches = 1)
    {
        ByteWriter writer(bytes_);
        writer.U32At(0, firstOffset);
        writer.U32At(4, matches);
        writer.U32At(8, 0);
        return *this;
    }
    HandBuiltReply& Entry(std::size_t at, std::uint32_t next, std::uint32_t flags, std::uint64_t cluster,
                          std::wstring_view name, bool terminated = true)
    {
        ByteWriter writer(bytes_);
        writer.U32At(at, next);
        writer.U32At(at + 4, flags);
        writer.U64At(at + 8, 0xDEADBEEFDEADBEEFull);  // Reserved
        writer.U64At(at + 16, cluster);
        for (std::size_t i = 0; i < name.size(); ++i)
            writer.U16At(at + 24 + 2 * i, static_cast<std::uint16_t>(name[i]));
        if (terminated)
            writer.U16At(at + 24 + 2 * name.size(), 0);
        EXPECT_TRUE(writer.Ok()) << "the test's entry does not fit";
        return *this;
    }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    std::span<const std::uint8_t> First(std::size_t count) const { return Bytes().first(count); }

private:
    std::vector<std::uint8_t> bytes_;
};

using Entries = std::vector<ClusterLookupEntry>;

TEST(DecodeLookupReply, ReadsThePublishedLayout)
{
    HandBuiltReply reply(200);
    reply.Header(16, 2)
        .Entry(16, 48, 0x01000002, 0x1122334455667788ull, L"\\$Mft")
        .Entry(64, 0, 0x03000005, 7, L"\\pagefile.sys");
    EXPECT_EQ(DecodeLookupReply(reply.Bytes()),
              (Entries{{0x1122334455667788ull, 0x01000002, L"\\$Mft"}, {7, 0x03000005, L"\\pagefile.sys"}}))
        << "in the file system's order, not sorted";
}

TEST(DecodeLookupReply, ReadsOnlyTheBytesItIsGivenAndNeverLoops)
{
    const ClusterLookupEntry a{10, 0, L"\\a"};
    const ClusterLookupEntry b{20, 0, L"\\b"};
    HandBuiltReply twoEntries(128);
    twoEntries.Header(16, 2).Entry(16, 40, 0, 10, L"\\a").Entry(56, 0, 0, 20, L"\\b");

    const struct {
        const char* name;
        HandBuiltReply reply;
        std::size_t length;  // bytes returned
        Entries entries;
    } cases[] = {
        {"well formed", twoEntries, 128, {a, b}},
        {"header cut short", twoEntries, 11, {}},
        {"second entry's fixed part cut short", twoEntries, 56 + 23, {a}},
        {"second entry's fixed part just fits", twoEntries, 56 + 24, {a, {20, 0, L""}}},
        {"header only: success without matches", HandBuiltReply(16).Header(16, 0), 16, {}},
        {"12-byte header with Offset 0: no match", HandBuiltReply(12).Header(0, 0), 12, {}},
        {"first offset outside the bytes", HandBuiltReply(64).Header(4096), 64, {}},
        {"first offset at the very end", HandBuiltReply(64).Header(64), 64, {}},
        {"first offset into the header", HandBuiltReply(64).Header(4).Entry(16, 0, 0, 1, L"x"), 64, {}},
        {"next entry outside the bytes", HandBuiltReply(128).Header(16).Entry(16, 4096, 0, 10, L"\\a"), 128, {a}},
        {"next offset backwards (wraps in 32 bits)",
         HandBuiltReply(128).Header(56).Entry(16, 0, 0, 10, L"\\a").Entry(56, 0xFFFFFFD8, 0, 20, L"\\b"), 128, {b}},
        {"cycle: second entry leads back to the first",
         HandBuiltReply(128).Header(16).Entry(16, 40, 0, 10, L"\\a").Entry(56, 0xFFFFFFD8, 0, 20, L"\\b"), 128, {a, b}},
        {"next offset into the entry's name",
         HandBuiltReply(128).Header(16).Entry(16, 26, 0, 10, L"\\a"), 128, {a}},
        {"next entry right after the terminator",
         HandBuiltReply(128).Header(16).Entry(16, 30, 0, 10, L"\\a").Entry(46, 0, 0, 20, L"\\b"), 128, {a, b}},
        {"name without terminator is cut at the end of the bytes",
         HandBuiltReply(48).Header(16).Entry(16, 0, 0, 10, L"\\abc", false), 16 + 24 + 8, {{10, 0, L"\\abc"}}},
        {"odd last byte of an unterminated name is dropped",
         HandBuiltReply(64).Header(16).Entry(16, 0, 0, 10, L"\\abc", false), 16 + 24 + 7, {{10, 0, L"\\ab"}}},
        {"unterminated name ends the walk",
         HandBuiltReply(64).Header(16).Entry(16, 32, 0, 10, L"\\abc", false), 16 + 24 + 8, {{10, 0, L"\\abc"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeLookupReply(c.reply.First(c.length)), c.entries);
    }
}

TEST(FlagWords, WordsInOrderWithBarsAfterTheFirst)
{
    const struct {
        std::uint32_t flags;
        const wchar_t* text;
    } cases[] = {
        {0x01000002, L"DenyDefrag| Data"},
        {0x03000005, L"PageFile| FsSys| System"},
        {0, L"None"},
        {0x0300000F, L"PageFile| DenyDefrag| FsSys| TxF| System"},
        {0x04000000, L"None"},   // an attribute we have no word for
        {0xFF0000F0, L"None"},   // unknown bits only
        {0x020000F6, L"DenyDefrag| FsSys| Index"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FlagWords(c.flags), c.text) << std::hex << c.flags;
}

TEST(SortByCluster, AscendingAndStableForSharedClusters)
{
    Entries shared{{5, 0, L"first"}, {3, 0, L"x"}, {5, 0, L"second"}, {3, 0, L"y"}, {5, 0, L"third"}};
    SortByCluster(shared);
    EXPECT_EQ(shared, (Entries{{3, 0, L"x"}, {3, 0, L"y"}, {5, 0, L"first"}, {5, 0, L"second"}, {5, 0, L"third"}}));
}

TEST(LookupTitle, SmallestLargestAndCount)
{
    const struct {
        Entries entries;
        const wchar_t* title;
    } cases[] = {
        {{}, L"Clusters 0 to 0 (0)"},
        {{{0xFFFFFFFFFFFFFFFFull, 0, L""}, {0x8000000000000000ull, 0, L""}},
         L"Clusters 9223372036854775808 to 18446744073709551615 (2)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookupTitle(c.entries), c.title);
}

// The reply the file system gives once the buffer is at least `needed` bytes.
DriverReply AnswerWhenLargeEnough(std::span<std::uint8_t> out, std::size_t needed, const Entries& entries)
{
    if (out.size() < needed)
        return DriverReply::Failure(kErrorMoreData);
    return testing::AnswerLookup(entries, out);
}

class RunClusterLookupTest : public ::testing::Test {
protected:
    ClusterLookupResult Run(const LookupReplyLimits& limits = {})
    {
        ScriptedVolume volume(script_);
        return RunClusterLookup(volume, request_, limits);
    }

    ScriptedVolume::Script script_;
    const std::vector<std::uint8_t> request_ = EncodeLookupRequest(Clusters{128, 144, 160, 176});
};

TEST_F(RunClusterLookupTest, GrowsTheReplyBufferUntilItFits)
{
    bool zeroFilled = true;
    script_.lookupReply = [&](std::span<const std::uint8_t>, std::span<std::uint8_t> out) {
        zeroFilled = zeroFilled && std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; });
        return AnswerWhenLargeEnough(out, 3 * kMiB, {{900, 0, L"\\c"}, {100, 0x01000000, L"\\a"}, {500, 0, L"\\b"}});
    };
    const ClusterLookupResult result = Run();

    EXPECT_EQ(script_.lookupReplyLengths, (std::vector<std::size_t>{1 * kMiB, 2 * kMiB, 4 * kMiB}));
    EXPECT_TRUE(zeroFilled);
    ASSERT_EQ(script_.lookupRequests.size(), 3u);
    for (const auto& sent : script_.lookupRequests)
        EXPECT_EQ(sent, request_);
    EXPECT_EQ(result.outcome, LookupOutcome::Listed);
    EXPECT_EQ(result.entries, (Entries{{100, 0x01000000, L"\\a"}, {500, 0, L"\\b"}, {900, 0, L"\\c"}}));
    EXPECT_EQ(result.title, L"Clusters 100 to 900 (3)");
}

TEST_F(RunClusterLookupTest, OutcomesOfTheFileSystemsAnswers)
{
    const Entries one{{7, 0, L"\\one"}};
    const std::vector<std::uint8_t> twoEntries = testing::LookupReply(Entries{{7, 0, L"\\one"}, {8, 0, L"\\two"}});
    const struct {
        const char* name;
        std::function<DriverReply(std::span<const std::uint8_t>, std::span<std::uint8_t>)> answer;
        LookupOutcome outcome;
        std::size_t entries;
        std::size_t requests;
    } cases[] = {
        {"fits at once", [&](auto, auto out) { return AnswerWhenLargeEnough(out, 0, one); }, LookupOutcome::Listed, 1, 1},
        {"rejected: no file owns the clusters", [](auto, auto) { return DriverReply::Failure(87); },
         LookupOutcome::Notice, 0, 1},
        {"more data, then rejected", [](auto, auto out) {
             return DriverReply::Failure(out.size() < 2 * kMiB ? kErrorMoreData : 1);
         }, LookupOutcome::Notice, 0, 2},
        {"always more data: too many to list at the ceiling",
         [](auto, auto) { return DriverReply::Failure(kErrorMoreData); }, LookupOutcome::TooMany, 0, 7},
        {"fits only at the ceiling", [&](auto, auto out) { return AnswerWhenLargeEnough(out, 64 * kMiB, one); },
         LookupOutcome::Listed, 1, 7},
        {"success without entries", [](auto, auto out) {
             ByteWriter(out).U32At(0, 16);
             return DriverReply::Success(16);
         }, LookupOutcome::Notice, 0, 1},
        {"claims more bytes than the buffer holds", [&](auto, auto out) {
             AnswerWhenLargeEnough(out, 0, one);
             return DriverReply::Success(kMax32);
         }, LookupOutcome::Listed, 1, 1},
        {"returns fewer bytes than it wrote: only those are read", [&](auto, auto out) {
             std::copy(twoEntries.begin(), twoEntries.end(), out.begin());
             // The second entry starts at 56; its fixed part is 24 bytes.
             return DriverReply::Success(56 + 23);
         }, LookupOutcome::Listed, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        script_ = {};
        script_.lookupReply = c.answer;
        const ClusterLookupResult result = Run();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.entries.size(), c.entries);
        EXPECT_EQ(script_.lookupReplyLengths.size(), c.requests);
        if (!script_.lookupReplyLengths.empty()) {
            EXPECT_LE(script_.lookupReplyLengths.back(), kLookupReplyLengthCeiling);
        }
    }
}

TEST_F(RunClusterLookupTest, SmallLimitsDoubleFromTheFirstLengthToTheCeiling)
{
    script_.lookupReply = [](auto, auto) { return DriverReply::Failure(kErrorMoreData); };
    EXPECT_EQ(Run({16, 100}).outcome, LookupOutcome::TooMany);
    EXPECT_EQ(script_.lookupReplyLengths, (std::vector<std::size_t>{16, 32, 64}));

    script_.lookupReplyLengths.clear();
    EXPECT_EQ(Run({0, 4}).outcome, LookupOutcome::TooMany) << "a first length of 0 still ends";
    EXPECT_EQ(script_.lookupReplyLengths, (std::vector<std::size_t>{1, 2, 4}));
}

// Memory may run out anywhere in a lookup (the cell's cluster list, the
// request, the decoded names); the click then goes unanswered instead of
// the failure escaping into the pane's window procedure.
TEST_F(RunClusterLookupTest, RunningOutOfMemoryAnswersNothing)
{
    script_.lookupReply = [](auto, auto) -> DriverReply { throw std::bad_alloc(); };
    ScriptedVolume volume(script_);
    const ClusterLookupCell cell{0, 4, 100, 65536, 4096};
    ClusterLookupResult result;
    EXPECT_NO_THROW(result = LookUpCell(volume, cell));
    EXPECT_EQ(result.outcome, LookupOutcome::Nothing);
    EXPECT_EQ(script_.lookupRequests.size(), 1u);
}

} // namespace
} // namespace trackkit
