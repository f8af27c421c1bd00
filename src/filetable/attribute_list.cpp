#include "filetable/attribute_list.h"

#include "filetable/field_reader.h"
#include "filetable/file_record.h"

namespace trackkit::ntfs {
namespace {

constexpr std::size_t kEntryLength = 4;
constexpr std::size_t kNameLength = 6;
constexpr std::size_t kNameOffset = 7;
constexpr std::size_t kLowestVcn = 8;
constexpr std::size_t kSegmentReference = 0x10;
constexpr std::size_t kSmallestEntry = 0x1A;

} // namespace

bool ReadAttributeList(std::span<const std::uint8_t> value, std::vector<AttributeListEntry>& entries)
{
    std::size_t offset = 0;
    while (offset < value.size()) {
        FieldReader reader(value.subspan(offset));
        AttributeListEntry entry;
        entry.type = reader.U32At(0);
        const std::size_t length = reader.U16At(kEntryLength);
        const std::size_t nameOffset = reader.U8At(kNameOffset);
        const std::size_t nameEnd = nameOffset + 2u * reader.U8At(kNameLength);
        entry.lowestVcn = reader.U64At(kLowestVcn);
        entry.record = RecordOf(reader.U64At(kSegmentReference));
        if (!reader.Ok() || length < kSmallestEntry || length > reader.Length() || nameEnd > length)
            return false;
        entry.name = value.subspan(offset + nameOffset, nameEnd - nameOffset);
        entries.push_back(entry);
        offset += length;
    }
    return true;
}

} // namespace trackkit::ntfs
