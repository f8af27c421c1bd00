#include "filetable/file_record.h"

#include "filetable/field_reader.h"
#include "filetable/utf16_name.h"

namespace trackkit::ntfs {
namespace {

constexpr std::uint32_t kFileSignature = 0x454C4946;  // "FILE"
constexpr std::uint32_t kBadSignature = 0x44414142;   // "BAAD": the file system found it torn itself
constexpr std::size_t kStride = 512;
constexpr std::size_t kHeaderFieldsEnd = 0x2A;  // the update sequence array comes after these

constexpr std::size_t kUsaOffset = 4;
constexpr std::size_t kUsaCount = 6;
constexpr std::size_t kFirstAttributeOffset = 0x14;
constexpr std::size_t kFlags = 0x16;
constexpr std::size_t kBytesInUse = 0x18;
constexpr std::size_t kBaseReference = 0x20;
constexpr std::uint16_t kInUseFlag = 0x0001;
constexpr std::uint16_t kDirectoryFlag = 0x0002;  // the record holds a file name index

// Attribute record fields.
constexpr std::size_t kRecordLength = 4;
constexpr std::size_t kFormCode = 8;
constexpr std::size_t kNameLength = 9;
constexpr std::size_t kNameOffset = 10;
constexpr std::size_t kValueLength = 0x10;
constexpr std::size_t kValueOffset = 0x14;
constexpr std::size_t kLowestVcn = 0x10;
constexpr std::size_t kMappingPairsOffset = 0x20;
constexpr std::size_t kDataSize = 0x30;
constexpr std::size_t kSmallestAttribute = 0x18;
constexpr std::size_t kSmallestNonresident = 0x40;

bool FitsWithin(std::size_t offset, std::size_t length, std::size_t size)
{
    return offset <= size && length <= size - offset;
}

// The array must sit inside the first stride, before the two bytes of it
// that the array itself stands in for.
bool UpdateSequenceArrayFits(std::size_t offset, std::size_t count, std::size_t recordSize)
{
    return offset % 2 == 0 && offset >= kHeaderFieldsEnd && recordSize % kStride == 0 &&
           count == 1 + recordSize / kStride && offset + 2 * count <= kStride - 2;
}

} // namespace

UpdateSequence ApplyUpdateSequence(std::span<std::uint8_t> record)
{
    FieldReader reader(record);
    const std::uint32_t signature = reader.U32At(0);
    const std::size_t usaOffset = reader.U16At(kUsaOffset);
    const std::size_t usaCount = reader.U16At(kUsaCount);
    if (!reader.Ok())
        return UpdateSequence::Unsound;
    if (signature == 0)
        return UpdateSequence::NeverWritten;
    if (signature == kBadSignature)
        return UpdateSequence::Torn;
    if (signature != kFileSignature || !UpdateSequenceArrayFits(usaOffset, usaCount, record.size()))
        return UpdateSequence::Unsound;

    const std::uint8_t* sequence = record.data() + usaOffset;
    for (std::size_t stride = 1; stride < usaCount; ++stride) {
        const std::uint8_t* tail = record.data() + stride * kStride - 2;
        if (tail[0] != sequence[0] || tail[1] != sequence[1])
            return UpdateSequence::Torn;
    }
    for (std::size_t stride = 1; stride < usaCount; ++stride) {
        std::uint8_t* tail = record.data() + stride * kStride - 2;
        tail[0] = sequence[2 * stride];
        tail[1] = sequence[2 * stride + 1];
    }
    return UpdateSequence::Applied;
}

std::optional<FileRecordHeader> ReadFileRecordHeader(std::span<const std::uint8_t> record)
{
    FieldReader reader(record);
    FileRecordHeader header;
    header.firstAttribute = reader.U16At(kFirstAttributeOffset);
    const std::uint16_t flags = reader.U16At(kFlags);
    header.bytesInUse = reader.U32At(kBytesInUse);
    header.baseReference = reader.U64At(kBaseReference);
    header.inUse = (flags & kInUseFlag) != 0;
    header.directory = (flags & kDirectoryFlag) != 0;
    const bool fits = header.firstAttribute >= kHeaderFieldsEnd && header.firstAttribute % 8 == 0 &&
                      header.bytesInUse <= record.size() && header.firstAttribute + 4u <= header.bytesInUse;
    if (!reader.Ok() || !fits)
        return std::nullopt;
    return header;
}

AttributeWalk::AttributeWalk(std::span<const std::uint8_t> record, const FileRecordHeader& header)
    : inUse_(record.first(header.bytesInUse)), offset_(header.firstAttribute)
{
}

std::optional<AttributeView> AttributeWalk::Fail()
{
    sound_ = false;
    ended_ = true;
    return std::nullopt;
}

std::optional<AttributeView> AttributeWalk::Next()
{
    if (ended_)
        return std::nullopt;
    FieldReader reader(inUse_);
    AttributeView view;
    view.type = reader.U32At(offset_);
    if (!reader.Ok())
        return Fail();
    if (view.type == kEndOfAttributes) {
        ended_ = true;
        return std::nullopt;
    }
    const std::size_t length = reader.U32At(offset_ + kRecordLength);
    const std::uint8_t form = reader.U8At(offset_ + kFormCode);
    const std::size_t nameLength = reader.U8At(offset_ + kNameLength);
    const std::size_t nameOffset = reader.U16At(offset_ + kNameOffset);
    if (!reader.Ok() || length < kSmallestAttribute || length % 8 != 0 || !FitsWithin(offset_, length, inUse_.size()) ||
        form > 1 || !FitsWithin(nameOffset, 2 * nameLength, length))
        return Fail();
    const std::span<const std::uint8_t> attribute = inUse_.subspan(offset_, length);
    view.name = attribute.subspan(nameOffset, 2 * nameLength);
    if (HasZeroUnit(view.name))
        return Fail();
    view.nonresident = form == 1;
    FieldReader fields(attribute);
    if (view.nonresident) {
        view.lowestVcn = fields.U64At(kLowestVcn);
        view.dataSize = fields.U64At(kDataSize);
        const std::size_t pairsOffset = fields.U16At(kMappingPairsOffset);
        if (length < kSmallestNonresident || pairsOffset < kSmallestNonresident || pairsOffset > length)
            return Fail();
        view.mappingPairs = attribute.subspan(pairsOffset);
    } else {
        const std::size_t valueLength = fields.U32At(kValueLength);
        const std::size_t valueOffset = fields.U16At(kValueOffset);
        if (!FitsWithin(valueOffset, valueLength, length))
            return Fail();
        view.value = attribute.subspan(valueOffset, valueLength);
    }
    offset_ += length;
    return view;
}

} // namespace trackkit::ntfs
