#include "sim/lookup_reply_encoder.h"

#include "common/byte_reader.h"
#include "sim/driver_faults.h"

namespace trackkit {
namespace {

constexpr std::size_t kRequestHeaderLength = 8;
constexpr std::size_t kClusterLength = 8;
constexpr std::size_t kReplyHeaderLength = 12;
constexpr std::size_t kEntryAlignment = 8;
constexpr std::size_t kFirstEntryOffset = 16;  // the header, rounded up to the entries' alignment
constexpr std::size_t kEntryNameOffset = 24;
constexpr std::size_t kUtf16UnitLength = 2;

constexpr std::uint32_t kMaxUtf16Unit = 0xFFFF;
constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

constexpr std::size_t AlignUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// UTF-16 code units of a name. Where wchar_t is 32 bits wide, characters
// beyond the Basic Multilingual Plane become surrogate pairs, as Windows
// stores them; where it is 16 bits wide the units pass through unchanged.
std::vector<std::uint16_t> Utf16Units(const std::wstring& text)
{
    std::vector<std::uint16_t> units;
    units.reserve(text.size());
    for (wchar_t c : text) {
        auto point = static_cast<std::uint32_t>(c);
        if (point > kMaxCodePoint)
            point = kReplacementCharacter;
        if (point <= kMaxUtf16Unit) {
            units.push_back(static_cast<std::uint16_t>(point));
        } else {
            point -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (point >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (point & 0x3FF)));
        }
    }
    return units;
}

// An entry up to and including its name's NUL.
std::size_t EntryLength(const ClusterOwner& owner)
{
    return kEntryNameOffset + (Utf16Units(owner.fileName).size() + 1) * kUtf16UnitLength;
}

std::uint32_t ToU32(std::size_t value)
{
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::optional<std::vector<std::uint64_t>> ClustersOfLookupRequest(std::span<const std::uint8_t> request)
{
    ByteReader reader(request);
    const std::uint32_t flags = reader.U32At(0);
    const std::uint32_t count = reader.U32At(4);
    if (!reader.Ok() || flags != 0 || count == 0)
        return std::nullopt;
    // Checked by division so that a huge count cannot wrap the product.
    if ((request.size() - kRequestHeaderLength) / kClusterLength < count)
        return std::nullopt;

    std::vector<std::uint64_t> clusters(count);
    for (std::size_t i = 0; i < clusters.size(); ++i)
        clusters[i] = reader.U64At(kRequestHeaderLength + i * kClusterLength);
    return clusters;
}

std::size_t LookupReplyLength(std::span<const ClusterOwner> owners)
{
    if (owners.empty())
        return kReplyHeaderLength;
    std::size_t length = kFirstEntryOffset;
    for (std::size_t i = 0; i + 1 < owners.size(); ++i)
        length += AlignUp(EntryLength(owners[i]), kEntryAlignment);
    return length + EntryLength(owners.back());
}

DriverReply WriteLookupReply(std::span<const ClusterOwner> owners, std::span<std::uint8_t> reply)
{
    if (reply.size() < kReplyHeaderLength)
        return DriverReply::Failure(kErrorInsufficientBuffer);

    const std::size_t required = LookupReplyLength(owners);
    ByteWriter writer(reply);
    const bool fits = reply.size() >= required;
    writer.U32At(0, fits && !owners.empty() ? ToU32(kFirstEntryOffset) : 0);
    writer.U32At(4, ToU32(owners.size()));
    writer.U32At(8, ToU32(required));
    if (!fits)
        return DriverReply::Failure(kErrorMoreData);

    std::size_t offset = kFirstEntryOffset;
    for (std::size_t i = 0; i < owners.size(); ++i) {
        const ClusterOwner& owner = owners[i];
        const bool last = i + 1 == owners.size();
        const std::size_t next = AlignUp(EntryLength(owner), kEntryAlignment);
        writer.U32At(offset, last ? 0 : ToU32(next));
        writer.U32At(offset + 4, owner.flags);
        writer.U64At(offset + 8, 0);
        writer.U64At(offset + 16, owner.cluster);
        std::size_t at = offset + kEntryNameOffset;
        for (std::uint16_t unit : Utf16Units(owner.fileName)) {
            writer.U16At(at, unit);
            at += kUtf16UnitLength;
        }
        writer.U16At(at, 0);
        at += kUtf16UnitLength;
        // The padding up to the next entry is part of the reply too.
        for (; !last && at < offset + next; ++at)
            writer.U8At(at, 0);
        offset += next;
    }
    return DriverReply::Success(ToU32(required));
}

} // namespace trackkit
