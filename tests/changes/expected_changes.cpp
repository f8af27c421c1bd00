#include "expected_changes.h"

#include <algorithm>
#include <tuple>

namespace trackkit {

ExpectedChanges ExpectedChangesOf(const NtfsTestImage& image, const FileTable& table, const ChangedFilesGeometry& geometry,
                                  std::span<const std::uint8_t> bitmap)
{
    ExpectedChanges expected;
    const std::uint64_t cluster = table.geometry.bytesPerCluster;
    const std::uint64_t clustersPerBlock = std::max<std::uint64_t>(1, geometry.bytesPerBlock / cluster);
    for (std::uint32_t block = 0; block < geometry.blockCount && block / 8 < bitmap.size(); ++block) {
        if ((bitmap[block / 8] >> (block % 8) & 1) == 0)
            continue;
        for (std::uint64_t c = block * clustersPerBlock; c < (block + 1) * clustersPerBlock && c < table.geometry.clusterCount; ++c) {
            expected.answeredBytes += cluster;
            const auto owner = image.owners.find(c);
            if (owner == image.owners.end() || table.IsFileSystemFile(owner->second.record))
                continue;
            const auto stream = std::find_if(table.streams.begin(), table.streams.end(), [&](const FileTableStream& s) {
                return std::tie(s.record, s.attributeType, s.attributeName) ==
                       std::tie(owner->second.record, owner->second.attributeType, owner->second.attributeName);
            });
            const std::wstring name = stream != table.streams.end() ? table.StreamName(*stream) : L"<no stream in the table>";
            ExpectedStream& expectedStream = expected.streams[name];
            expectedStream.bytes += cluster;
            if (expectedStream.blocks.empty() || expectedStream.blocks.back() != block)
                expectedStream.blocks.push_back(block);
            expected.fileBytes += cluster;
        }
    }
    return expected;
}

} // namespace trackkit
