#include "filetable/attribute_bytes.h"

#include <algorithm>

namespace trackkit::ntfs {
namespace {

constexpr std::uint32_t kErrorFileCorrupt = 1392;

// The run holding vcn, or runs.end().
std::span<const Run>::iterator RunHolding(std::span<const Run> runs, std::uint64_t vcn)
{
    const auto after = std::upper_bound(runs.begin(), runs.end(), vcn,
                                        [](std::uint64_t value, const Run& run) { return value < run.vcn; });
    if (after == runs.begin() || vcn - std::prev(after)->vcn >= std::prev(after)->clusterCount)
        return runs.end();
    return std::prev(after);
}

} // namespace

std::uint64_t EndVcn(std::span<const Run> runs)
{
    return runs.empty() ? 0 : runs.back().vcn + runs.back().clusterCount;
}

std::uint32_t ReadAttributeBytes(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                                 std::uint64_t byteOffset, std::span<std::uint8_t> into)
{
    const std::uint64_t clusterBytes = geometry.bytesPerCluster;
    std::size_t done = 0;
    while (done < into.size()) {
        const std::uint64_t position = byteOffset + done;
        const std::uint64_t vcn = position / clusterBytes;
        const auto run = RunHolding(runs, vcn);
        if (run == runs.end() || run->sparse)
            return kErrorFileCorrupt;
        const std::uint64_t runEnd = (run->vcn + run->clusterCount) * clusterBytes;
        const std::span<std::uint8_t> piece =
            into.subspan(done, static_cast<std::size_t>(std::min<std::uint64_t>(into.size() - done, runEnd - position)));
        const std::uint64_t volumeOffset = (run->firstCluster + (vcn - run->vcn)) * clusterBytes + position % clusterBytes;
        if (const std::uint32_t error = volume.ReadAt(volumeOffset, piece))
            return error;
        done += piece.size();
    }
    return 0;
}

} // namespace trackkit::ntfs
