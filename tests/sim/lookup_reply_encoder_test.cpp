#include "sim/lookup_reply_encoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sim/lookup_reply_reader.h"

namespace trackkit {
namespace {

using test::ReadLookupReply;
using test::ReadReply;

constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint8_t kUntouched = 0xEE;

std::vector<std::uint8_t> Untouched(std::size_t size)
{
    return std::vector<std::uint8_t>(size, kUntouched);
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> Request(std::uint32_t flags, std::uint32_t count, const std::vector<std::uint64_t>& clusters)
{
    std::vector<std::uint8_t> bytes;
    PutLittleEndian(bytes, flags, 4);
    PutLittleEndian(bytes, count, 4);
    for (std::uint64_t cluster : clusters)
        PutLittleEndian(bytes, cluster, 8);
    return bytes;
}

// --- Requests --------------------------------------------------------------

TEST(LookupRequestTest, AcceptsOnlyRequestsThatHoldTheirClusters)
{
    using Clusters = std::vector<std::uint64_t>;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<Clusters> clusters;
    };
    std::vector<std::uint8_t> trailing = Request(0, 1, {7});
    trailing.push_back(0x55);
    std::vector<std::uint8_t> oneByteShort = Request(0, 2, {5, 6});
    oneByteShort.pop_back();
    const Case cases[] = {
        {"one cluster", Request(0, 1, {42}), Clusters{42}},
        {"several, in order, repeats kept", Request(0, 4, {900, 100, 100, ~0ULL}), Clusters{900, 100, 100, ~0ULL}},
        {"bytes past the last cluster", trailing, Clusters{7}},
        {"fewer clusters asked than sent", Request(0, 1, {1, 2}), Clusters{1}},
        {"empty", {}, std::nullopt},
        {"header cut short", {0, 0, 0, 0, 1, 0, 0}, std::nullopt},
        {"header alone, counting none", Request(0, 0, {}), std::nullopt},
        {"no cluster, though some sent", Request(0, 0, {3}), std::nullopt},
        {"count past the clusters sent", Request(0, 3, {1, 2}), std::nullopt},
        {"last cluster one byte short", oneByteShort, std::nullopt},
        {"count that would wrap a length", Request(0, 0xFFFFFFFF, {1}), std::nullopt},
        {"flags", Request(1, 1, {42}), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ClustersOfLookupRequest(c.bytes), c.clusters);
    }
}

// --- Replies ---------------------------------------------------------------

TEST(LookupReplyTest, EntriesRoundTripAlignedAndChainedFromTheHeader)
{
    // Names of 0 to 9 units put every padding there is between entries; the
    // last carries characters outside ASCII and outside the 16-bit range.
    std::vector<ClusterOwner> owners;
    for (std::uint32_t length = 0; length < 10; ++length)
        owners.push_back({1000 + length, 0x01000000 | length, std::wstring(length, static_cast<wchar_t>(L'a' + length))});
    owners.push_back({std::uint64_t{1} << 40, OwnerFlags::kIndex, L"\\Dossiers\\Été\\\U0001F4C1:$I30:$INDEX_ALLOCATION"});

    std::vector<std::uint8_t> bytes = Untouched(4096);
    const DriverReply reply = WriteLookupReply(owners, bytes);
    ASSERT_TRUE(reply.succeeded);
    EXPECT_EQ(reply.bytesReturned, LookupReplyLength(owners));
    const ReadReply read = ReadLookupReply(std::span(bytes).first(reply.bytesReturned));

    EXPECT_EQ(read.offset, 16u);
    EXPECT_EQ(read.matches, owners.size());
    EXPECT_EQ(read.sizeRequired, reply.bytesReturned);
    ASSERT_EQ(read.entries.size(), owners.size());
    for (std::size_t i = 0; i < owners.size(); ++i) {
        SCOPED_TRACE(i);
        const test::ReadEntry& entry = read.entries[i];
        EXPECT_EQ(entry.at % 8, 0u);
        EXPECT_EQ(entry.reserved, 0u);
        EXPECT_EQ(entry.cluster, owners[i].cluster);
        EXPECT_EQ(entry.flags, owners[i].flags);
        EXPECT_EQ(entry.name, owners[i].fileName);
        if (i + 1 < owners.size()) {
            // The next entry starts on the first 8-byte boundary after the name,
            // and the padding in between is zero.
            EXPECT_EQ(entry.at + entry.offsetToNext, (entry.nameEnd + 7) / 8 * 8);
            for (std::size_t pad = entry.nameEnd; pad < entry.at + entry.offsetToNext; ++pad)
                EXPECT_EQ(bytes[pad], 0) << pad;
        } else {
            EXPECT_EQ(entry.offsetToNext, 0u);
            EXPECT_EQ(entry.nameEnd, reply.bytesReturned);
        }
    }
    EXPECT_EQ(bytes[reply.bytesReturned], kUntouched);
}

TEST(LookupReplyTest, NoOwnersIsAHeaderWithoutEntries)
{
    std::vector<std::uint8_t> bytes = Untouched(64);
    const DriverReply reply = WriteLookupReply({}, bytes);
    ASSERT_TRUE(reply.succeeded);
    EXPECT_EQ(reply.bytesReturned, 12u);
    const ReadReply read = ReadLookupReply(std::span(bytes).first(12));
    EXPECT_EQ(read.offset, 0u);
    EXPECT_EQ(read.matches, 0u);
    EXPECT_EQ(read.sizeRequired, 12u);
    EXPECT_TRUE(read.entries.empty());
    EXPECT_EQ(bytes[12], kUntouched);
}

// Reply sizes around what two entries need: one long, exact, one short, the
// header alone, one short of the header, none.
TEST(LookupReplyTest, AReplyThatDoesNotFitTellsTheSizeItNeeds)
{
    const std::vector<ClusterOwner> owners{{7, OwnerFlags::kData, L"\\pagefile.sys::$DATA"},
                                           {8, OwnerFlags::kSystem, L"\\$MFT::$BITMAP"}};
    // 16 + an entry of 24 + 21 units (66, padded to 72) + 24 + 15 units (54).
    const std::size_t required = 142;
    ASSERT_EQ(LookupReplyLength(owners), required);

    struct Case {
        std::size_t size;
        std::uint32_t error;  // 0: succeeds
        bool headerWritten;
    };
    const Case cases[] = {
        {required + 1, 0, true}, {required, 0, true},     {required - 1, kMoreData, true},
        {12, kMoreData, true},   {11, kInsufficientBuffer, false}, {0, kInsufficientBuffer, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> bytes = Untouched(c.size);
        const DriverReply reply = WriteLookupReply(owners, bytes);
        EXPECT_EQ(reply.succeeded, c.error == 0);
        EXPECT_EQ(reply.error, c.error);
        if (!c.headerWritten) {
            EXPECT_EQ(bytes, Untouched(c.size));
            continue;
        }
        const ReadReply read = ReadLookupReply(c.error == 0 ? std::span(bytes).first(required) : std::span(bytes).first(12));
        EXPECT_EQ(read.matches, 2u);
        EXPECT_EQ(read.sizeRequired, required);
        if (c.error != 0) {
            EXPECT_EQ(read.offset, 0u);
            EXPECT_EQ(std::vector(bytes.begin() + 12, bytes.end()), Untouched(c.size - 12));
        } else {
            EXPECT_EQ(read.entries.size(), 2u);
        }
    }
}

} // namespace
} // namespace trackkit
