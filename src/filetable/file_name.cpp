#include "filetable/file_name.h"

#include "filetable/field_reader.h"
#include "filetable/file_record.h"
#include "filetable/utf16_name.h"

namespace trackkit::ntfs {
namespace {

constexpr std::size_t kParentReference = 0;
constexpr std::size_t kNameLength = 0x40;
constexpr std::size_t kNameSpace = 0x41;
constexpr std::size_t kName = 0x42;

} // namespace

std::optional<FileNameValue> ReadFileName(std::span<const std::uint8_t> value)
{
    FieldReader reader(value);
    FileNameValue fileName;
    fileName.parent = RecordOf(reader.U64At(kParentReference));
    const std::size_t length = reader.U8At(kNameLength);
    const std::uint8_t nameSpace = reader.U8At(kNameSpace);
    if (!reader.Ok() || length == 0 || nameSpace > 3 || value.size() - kName < 2 * length)
        return std::nullopt;
    fileName.nameSpace = static_cast<NameSpace>(nameSpace);
    fileName.name = value.subspan(kName, 2 * length);
    if (HasZeroUnit(fileName.name))
        return std::nullopt;
    return fileName;
}

} // namespace trackkit::ntfs
