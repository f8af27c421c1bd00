// Holds a "Changed Files" CSV export, made by the program from a real NTFS image's volume, against what
// ntfscluster says owns each cluster of the image (tests/filetable/make_ntfs_image.sh left its listing beside it).
//
//   check_changed_files IMAGE BITMAP BYTES_PER_BLOCK EXPORT.csv
//
// Prints each row that differs and exits 1 when any does (or a row is missing or extra), else 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "expected_changes.h"
#include "filetable/memory_volume_bytes.h"

namespace trackkit {
namespace {

std::vector<std::uint8_t> FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), static_cast<int>(text.size()))));
    return text;
}

// The fields of each line of an RFC 4180 file, quotes undone.
std::vector<std::vector<std::string>> CsvLines(const std::string& text)
{
    std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            lines.back().back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            lines.back().emplace_back();
        } else if (!quoted && c == '\n') {
            lines.emplace_back(1);
        } else if (quoted || c != '\r') {
            lines.back().back() += c;
        }
    }
    return lines;
}

int Check(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: check_changed_files IMAGE BITMAP BYTES_PER_BLOCK EXPORT.csv\n");
        return 2;
    }
    const NtfsTestImage image = LoadNtfsTestImage(argv[1]);
    MemoryVolumeBytes bytes(image.bytes);
    const FileTableResult read = ReadFileTable(bytes);
    if (read.end != FileTableEnd::Read) {
        std::fprintf(stderr, "the image's file table cannot be read\n");
        return 1;
    }
    const std::vector<std::uint8_t> bitmap = FileBytes(argv[2]);
    const ChangedFilesGeometry geometry{static_cast<std::uint32_t>(bitmap.size() * 8),
                                        static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)),
                                        read.table.geometry.bytesPerCluster, image.bytes.size()};
    const ExpectedChanges expected = ExpectedChangesOf(image, read.table, geometry, bitmap);

    std::vector<std::uint8_t> csv = FileBytes(argv[4]);
    const std::string text(csv.begin() + std::min<std::size_t>(3, csv.size()), csv.end());  // after the byte order mark
    std::map<std::wstring, std::pair<std::string, std::string>> rows;
    for (const std::vector<std::string>& fields : CsvLines(text))
        if (fields.size() == 4 && fields[0] != "Path")
            rows[Wide(fields[0])] = {fields[1], fields[2]};

    int differences = 0;
    for (const auto& [name, stream] : expected.streams) {
        const auto row = rows.find(name);
        const std::pair<std::string, std::string> wanted{std::to_string(stream.bytes), std::to_string(stream.blocks.size())};
        if (row == rows.end() || row->second != wanted) {
            std::fprintf(stderr, "%ls: ntfscluster's owners give %s bytes in %s blocks, the export %s\n", name.c_str(),
                         wanted.first.c_str(), wanted.second.c_str(),
                         row == rows.end() ? "has no row" : (row->second.first + " in " + row->second.second).c_str());
            ++differences;
        }
        if (row != rows.end())
            rows.erase(row);
    }
    for (const auto& [name, row] : rows) {
        std::fprintf(stderr, "%ls: in the export (%s bytes), owned by nothing ntfscluster names\n", name.c_str(), row.first.c_str());
        ++differences;
    }
    std::printf("%zu streams of the image hold changed clusters; %d differ from the export\n", expected.streams.size(), differences);
    return differences == 0 ? 0 : 1;
}

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    return trackkit::Check(argc, argv);
}
