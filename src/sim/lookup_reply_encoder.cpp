#include "sim/lookup_reply_encoder.h"

#include <algorithm>

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
std::vector<std::uint16_t> Utf16Units(std::wstring_view text)
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

// Names as the reply holds them, UTF-16LE with their NUL, converted once for
// each run of equal names: a reply names the same stream for cluster after
// cluster.
class NameUnits {
public:
    const std::vector<std::uint8_t>& Of(std::wstring_view name)
    {
        const bool same = converted_ && (name.data() == name_.data() ? name.size() == name_.size() : name == name_);
        if (!same) {
            bytes_.clear();
            for (const std::uint16_t unit : Utf16Units(name)) {
                bytes_.push_back(static_cast<std::uint8_t>(unit & 0xFF));
                bytes_.push_back(static_cast<std::uint8_t>(unit >> 8));
            }
            bytes_.insert(bytes_.end(), kUtf16UnitLength, 0);
            name_ = name;
            converted_ = true;
        }
        return bytes_;
    }

private:
    bool converted_ = false;
    std::wstring_view name_;
    std::vector<std::uint8_t> bytes_;
};

// An entry up to and including its name's NUL.
std::size_t EntryLength(const ClusterOwner& owner, NameUnits& names)
{
    return kEntryNameOffset + names.Of(owner.fileName).size();
}

std::uint32_t ToU32(std::size_t value)
{
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::optional<std::vector<std::uint64_t>> ClustersOfLookupRequest(std::span<const std::uint8_t> request)
{
    std::vector<std::uint64_t> clusters;
    if (!ClustersOfLookupRequest(request, clusters))
        return std::nullopt;
    return clusters;
}

bool ClustersOfLookupRequest(std::span<const std::uint8_t> request, std::vector<std::uint64_t>& clusters)
{
    ByteReader reader(request);
    const std::uint32_t flags = reader.U32At(0);
    const std::uint32_t count = reader.U32At(4);
    if (!reader.Ok() || flags != 0 || count == 0)
        return false;
    // Checked by division so that a huge count cannot wrap the product.
    if ((request.size() - kRequestHeaderLength) / kClusterLength < count)
        return false;

    clusters.resize(count);
    for (std::size_t i = 0; i < clusters.size(); ++i)
        clusters[i] = reader.U64At(kRequestHeaderLength + i * kClusterLength);
    return true;
}

std::size_t LookupReplyLength(std::span<const ClusterOwner> owners)
{
    if (owners.empty())
        return kReplyHeaderLength;
    NameUnits names;
    std::size_t length = kFirstEntryOffset;
    for (std::size_t i = 0; i + 1 < owners.size(); ++i)
        length += AlignUp(EntryLength(owners[i], names), kEntryAlignment);
    return length + EntryLength(owners.back(), names);
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

    NameUnits names;
    std::size_t offset = kFirstEntryOffset;
    for (std::size_t i = 0; i < owners.size(); ++i) {
        const ClusterOwner& owner = owners[i];
        const bool last = i + 1 == owners.size();
        const std::size_t next = AlignUp(EntryLength(owner, names), kEntryAlignment);
        writer.U32At(offset, last ? 0 : ToU32(next));
        writer.U32At(offset + 4, owner.flags);
        writer.U64At(offset + 8, 0);
        writer.U64At(offset + 16, owner.cluster);
        const std::vector<std::uint8_t>& name = names.Of(owner.fileName);
        const auto at = reply.begin() + static_cast<std::ptrdiff_t>(offset + kEntryNameOffset);
        std::copy(name.begin(), name.end(), at);
        // The padding up to the next entry is part of the reply too.
        if (!last)
            std::fill(at + static_cast<std::ptrdiff_t>(name.size()), reply.begin() + static_cast<std::ptrdiff_t>(offset + next),
                      std::uint8_t{0});
        offset += next;
    }
    return DriverReply::Success(ToU32(required));
}

} // namespace trackkit
