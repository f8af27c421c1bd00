// Stand-in until the reader lands.
#include "filetable/file_table.h"

namespace trackkit {

std::optional<NtfsGeometry> ReadNtfsBootSector(std::span<const std::uint8_t>) { return std::nullopt; }

std::wstring FileTable::StreamName(const FileTableStream& stream) const
{
    std::wstring path;
    for (std::uint64_t record = stream.record; record != 5 && record < files.size(); record = files[record].parent)
        path = L"\\" + files[record].name + path;
    if (path.empty())
        path = L"\\";
    const wchar_t* type = stream.attributeType == 0x80 ? L"$DATA" : stream.attributeType == 0xA0 ? L"$INDEX_ALLOCATION" : L"$BITMAP";
    return path + L":" + stream.attributeName + L":" + type;
}

bool FileTable::IsFileSystemFile(std::uint64_t record) const { return record < 16; }

FileTableResult ReadFileTable(VolumeBytes&, const FileTableProgress&)
{
    FileTableResult result;
    result.end = FileTableEnd::NotNtfs;
    return result;
}

} // namespace trackkit
