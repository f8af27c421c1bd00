#include "tracking/cluster_lookup.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "common/byte_reader.h"
#include "common/text.h"

namespace trackkit {
namespace {

constexpr std::size_t kClusterLength = 8;
constexpr std::size_t kFlagWordsChars = 128;
constexpr std::size_t kTitleChars = 128;

struct FlagWord {
    std::uint32_t mask;
    std::uint32_t value;  // the condition holds when (flags & mask) == value
    std::wstring_view word;
};

// The order of the words in the text.
constexpr std::array<FlagWord, 7> kFlagWords{{
    {kLookupFlagPageFile, kLookupFlagPageFile, L"PageFile"},
    {kLookupFlagDenyDefrag, kLookupFlagDenyDefrag, L"DenyDefrag"},
    {kLookupFlagFsSystemFile, kLookupFlagFsSystemFile, L"FsSys"},
    {kLookupFlagTxfSystemFile, kLookupFlagTxfSystemFile, L"TxF"},
    {kLookupAttributeMask, kLookupAttributeData, L"Data"},
    {kLookupAttributeMask, kLookupAttributeIndex, L"Index"},
    {kLookupAttributeMask, kLookupAttributeSystem, L"System"},
}};

// The bytes of the UTF-16 name starting at `offset`, up to its terminator;
// nothing when the bytes end first.
std::optional<std::span<const std::uint8_t>> NameBytes(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    // Eight bytes at a time while no 16-bit unit among them is zero.
    constexpr std::uint64_t kLowBits = 0x0001000100010001;
    constexpr std::uint64_t kHighBits = 0x8000800080008000;
    std::size_t at = offset;
    for (; bytes.size() - at >= 8; at += 8) {
        std::uint64_t units = 0;
        std::memcpy(&units, bytes.data() + at, 8);
        if (((units - kLowBits) & ~units & kHighBits) != 0)
            break;
    }
    for (; bytes.size() - at >= 2; at += 2)
        if (bytes[at] == 0 && bytes[at + 1] == 0)
            return bytes.subspan(offset, at - offset);
    return std::nullopt;
}

bool FixedPartFits(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return offset <= bytes.size() && bytes.size() - offset >= kLookupEntryNameOffset;
}

// Calls visit(entry, terminated) for each entry in chain order; the entry
// whose name runs to the end of the bytes comes last, not terminated.
template <typename Visit>
LookupReplyFault Walk(std::span<const std::uint8_t> reply, const Visit& visit)
{
    if (reply.size() < kLookupReplyHeaderLength)
        return LookupReplyFault::None;
    ByteReader reader(reply);
    const std::uint32_t first = reader.U32At(0);
    if (first == 0)
        return LookupReplyFault::None;  // no match

    // Offsets are worked out in 64 bits, so no OffsetToNext can wrap round
    // to an earlier entry; and each entry must start past the end of the one
    // before (its name included), so the walk only moves forward, never reads
    // a byte twice and always ends.
    std::uint64_t offset = first;
    std::uint64_t previousEnd = kLookupReplyHeaderLength;
    for (;;) {
        if (offset < previousEnd || !FixedPartFits(reply, offset))
            return LookupReplyFault::OffsetOutOfBounds;
        const auto at = static_cast<std::size_t>(offset);
        LookupEntryView entry{reader.U64At(at + kLookupEntryClusterOffset), reader.U32At(at + kLookupEntryFlagsOffset), {}};
        const std::optional<std::span<const std::uint8_t>> name = NameBytes(reply, at + kLookupEntryNameOffset);
        if (!name) {
            entry.nameBytes = reply.subspan(at + kLookupEntryNameOffset);
            visit(entry, false);
            return LookupReplyFault::NameUnterminated;
        }
        entry.nameBytes = *name;
        visit(entry, true);

        const std::uint32_t next = reader.U32At(at + kLookupEntryNextOffset);
        if (next == 0)
            return LookupReplyFault::None;
        previousEnd = at + kLookupEntryNameOffset + name->size() + 2;
        offset += next;
    }
}

ClusterLookupEntry EntryOf(const LookupEntryView& view)
{
    return {view.cluster, view.flags, NameOf(view.nameBytes)};
}

ClusterLookupResult ResultFromReply(std::span<const std::uint8_t> reply)
{
    ClusterLookupResult result;
    result.entries = DecodeLookupReply(reply);
    if (result.entries.empty()) {
        // The file system answered but named no stream: to the user that is
        // the same as a refusal.
        result.outcome = LookupOutcome::Notice;
        return result;
    }
    SortByCluster(result.entries);
    result.title = LookupTitle(result.entries);
    result.outcome = LookupOutcome::Listed;
    return result;
}

} // namespace

std::vector<std::uint64_t> ClustersOfCell(const ClusterLookupCell& cell)
{
    if (cell.bytesPerCluster == 0 || cell.firstBlock >= cell.blockCount)
        return {};
    const std::uint64_t count = std::min<std::uint64_t>(cell.blocksPerCell, cell.blockCount - cell.firstBlock);
    std::vector<std::uint64_t> clusters;
    clusters.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        // The block lies below N, a 32-bit count, and the bytes per block are
        // 32-bit too, so the product fits in 64 bits.
        const std::uint64_t block = cell.firstBlock + i;
        const std::uint64_t cluster = block * cell.bytesPerBlock / cell.bytesPerCluster;
        // Blocks smaller than clusters share them; each is asked about once.
        if (clusters.empty() || clusters.back() != cluster)
            clusters.push_back(cluster);
    }
    return clusters;
}

std::vector<std::uint8_t> EncodeLookupRequest(std::span<const std::uint64_t> clusters)
{
    std::vector<std::uint8_t> request;
    EncodeLookupRequest(clusters, request);
    return request;
}

void EncodeLookupRequest(std::span<const std::uint64_t> clusters, std::vector<std::uint8_t>& request)
{
    request.resize(kLookupRequestHeaderLength + kClusterLength * clusters.size());
    ByteWriter writer(request);
    writer.U32At(0, 0);  // Flags
    writer.U32At(4, static_cast<std::uint32_t>(clusters.size()));
    for (std::size_t i = 0; i < clusters.size(); ++i)
        writer.U64At(kLookupRequestHeaderLength + kClusterLength * i, clusters[i]);
}

std::vector<ClusterLookupEntry> DecodeLookupReply(std::span<const std::uint8_t> reply)
{
    std::vector<ClusterLookupEntry> entries;
    Walk(reply, [&](const LookupEntryView& entry, bool) { entries.push_back(EntryOf(entry)); });
    return entries;
}

LookupReplyWalk WalkLookupReply(std::span<const std::uint8_t> reply)
{
    LookupReplyWalk walk;
    walk.fault = VisitLookupReply(reply, [&](const LookupEntryView& entry) { walk.entries.push_back(EntryOf(entry)); });
    return walk;
}

LookupReplyFault VisitLookupReply(std::span<const std::uint8_t> reply,
                                  const std::function<void(const LookupEntryView&)>& visit)
{
    return Walk(reply, [&](const LookupEntryView& entry, bool terminated) {
        if (terminated)
            visit(entry);
    });
}

std::wstring NameOf(std::span<const std::uint8_t> nameBytes)
{
    std::wstring name(nameBytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < name.size(); ++i)
        name[i] = static_cast<wchar_t>(nameBytes[2 * i] | nameBytes[2 * i + 1] << 8);
    return name;
}

std::wstring FlagWords(std::uint32_t flags)
{
    std::wstring text;
    for (const FlagWord& flag : kFlagWords) {
        if ((flags & flag.mask) != flag.value)
            continue;
        if (!text.empty())
            text += L"| ";
        text += flag.word;
    }
    return CutToBuffer(text.empty() ? std::wstring(L"None") : text, kFlagWordsChars);
}

void SortByCluster(std::vector<ClusterLookupEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ClusterLookupEntry& a, const ClusterLookupEntry& b) { return a.cluster < b.cluster; });
}

std::wstring LookupTitle(std::span<const ClusterLookupEntry> entries)
{
    std::uint64_t smallest = 0;
    std::uint64_t largest = 0;
    if (!entries.empty()) {
        const auto [low, high] = std::minmax_element(
            entries.begin(), entries.end(),
            [](const ClusterLookupEntry& a, const ClusterLookupEntry& b) { return a.cluster < b.cluster; });
        smallest = low->cluster;
        largest = high->cluster;
    }
    return FormatBounded(kTitleChars, L"Clusters %llu to %llu (%u)", static_cast<unsigned long long>(smallest),
                         static_cast<unsigned long long>(largest), static_cast<unsigned>(entries.size()));
}

ClusterLookupResult RunClusterLookup(TrackedVolume& volume, std::span<const std::uint8_t> request,
                                     const LookupReplyLimits& limits)
{
    std::size_t length = std::max<std::size_t>(limits.firstLength, 1);
    for (;;) {
        const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[length]());
        if (!buffer)
            return {};
        const std::span<std::uint8_t> reply(buffer.get(), length);
        const DriverReply answer = volume.LookupStreamsFromClusters(request, reply);
        if (answer.succeeded)
            return ResultFromReply(reply.first(std::min<std::size_t>(answer.bytesReturned, length)));
        if (answer.error != kErrorMoreData)
            return {LookupOutcome::Notice, {}, {}};
        if (length > limits.ceiling / 2)
            return {LookupOutcome::TooMany, {}, {}};
        length *= 2;
    }
}

ClusterLookupResult LookUpCell(TrackedVolume& volume, const ClusterLookupCell& cell, const LookupReplyLimits& limits)
{
    try {
        const std::vector<std::uint64_t> clusters = ClustersOfCell(cell);
        if (clusters.empty())
            return {};
        return RunClusterLookup(volume, EncodeLookupRequest(clusters), limits);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace trackkit
