#include <algorithm>
#include <array>
#include <vector>

#include "filetable/file_record.h"
#include "filetable/file_table.h"

// Names and paths are built when asked for, from each file's one name and
// parent: the table keeps no path.
//
// A path is followed up to the root (record 5), whose path is "\". When the
// chain breaks (a parent that is not a directory in use, a loop, or more than
// kDeepestPath levels) the path starts at the record where it broke, written
// "?<record>": "\?812\logs\today.txt". No name holds '?', so such a path is
// plain to see and never stands for a real one.

namespace trackkit {
namespace {

constexpr std::size_t kDeepestPath = 1024;

struct AttributeTypeName {
    std::uint32_t type;
    const wchar_t* name;
};

constexpr std::array<AttributeTypeName, 16> kAttributeTypeNames{{
    {0x10, L"$STANDARD_INFORMATION"},
    {0x20, L"$ATTRIBUTE_LIST"},
    {0x30, L"$FILE_NAME"},
    {0x40, L"$OBJECT_ID"},
    {0x50, L"$SECURITY_DESCRIPTOR"},
    {0x60, L"$VOLUME_NAME"},
    {0x70, L"$VOLUME_INFORMATION"},
    {0x80, L"$DATA"},
    {0x90, L"$INDEX_ROOT"},
    {0xA0, L"$INDEX_ALLOCATION"},
    {0xB0, L"$BITMAP"},
    {0xC0, L"$REPARSE_POINT"},
    {0xD0, L"$EA_INFORMATION"},
    {0xE0, L"$EA"},
    {0xF0, L"$PROPERTY_SET"},
    {0x100, L"$LOGGED_UTILITY_STREAM"},
}};

std::wstring AttributeTypeText(std::uint32_t type)
{
    const auto found = std::find_if(kAttributeTypeNames.begin(), kAttributeTypeNames.end(),
                                    [type](const AttributeTypeName& entry) { return entry.type == type; });
    if (found != kAttributeTypeNames.end())
        return found->name;
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"$0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text.push_back(kDigits[(type >> shift) & 0xF]);
    return text;
}

// The records from a file up to (not including) the root; broken is the
// record at which the chain could not go on, when it could not.
struct ParentChain {
    std::vector<std::uint64_t> records;
    std::optional<std::uint64_t> broken;
};

bool IsDirectoryInUse(const FileTable& table, std::uint64_t record)
{
    return record < table.files.size() && table.files[record].inUse && table.files[record].directory;
}

ParentChain ChainToRoot(const FileTable& table, std::uint64_t record)
{
    ParentChain chain;
    std::uint64_t current = record;
    while (current != ntfs::kRootRecord) {
        const bool usable = current < table.files.size() && table.files[current].inUse &&
                            table.files[current].nameLength != 0 && (current == record || IsDirectoryInUse(table, current));
        const bool seen = std::find(chain.records.begin(), chain.records.end(), current) != chain.records.end();
        if (!usable || seen || chain.records.size() == kDeepestPath) {
            chain.broken = current;
            break;
        }
        chain.records.push_back(current);
        current = table.files[current].parent;
    }
    return chain;
}

std::wstring PathOf(const FileTable& table, std::uint64_t record)
{
    const ParentChain chain = ChainToRoot(table, record);
    std::wstring path;
    if (chain.broken)
        path = L"\\?" + std::to_wstring(*chain.broken);
    for (auto it = chain.records.rbegin(); it != chain.records.rend(); ++it)
        path.append(L"\\").append(table.NameOf(table.files[*it]));
    return path.empty() ? L"\\" : path;
}

} // namespace

std::wstring FileTable::StreamName(const FileTableStream& stream) const
{
    return PathOf(*this, stream.record) + L":" + stream.attributeName + L":" + AttributeTypeText(stream.attributeType);
}

void FileTable::SetName(FileTableFile& file, std::wstring_view name)
{
    file.nameOffset = names.size();
    file.nameLength = static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), 0xFFFF));
    names.append(name.substr(0, file.nameLength));
}

bool FileTable::IsFileSystemFile(std::uint64_t record) const
{
    if (record < ntfs::kFirstUserRecord)
        return true;
    const ParentChain chain = ChainToRoot(*this, record);
    return std::find(chain.records.begin(), chain.records.end(), ntfs::kExtendRecord) != chain.records.end() ||
           chain.broken == ntfs::kExtendRecord;
}

} // namespace trackkit
