#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// A nonresident attribute's run list (its mapping pairs): runs of virtual
// clusters, each either at a place on the volume or a sparse hole.

namespace trackkit::ntfs {

struct Run {
    std::uint64_t vcn = 0;           // the attribute's first cluster in it
    std::uint64_t clusterCount = 0;
    std::uint64_t firstCluster = 0;  // on the volume; meaningless when sparse
    bool sparse = false;             // a hole that owns no clusters (also the unused rest of a compression unit)
};

// Reads the runs one by one. A run list lies when a header byte has a field
// wider than 8 bytes, a field runs off the attribute, a run is empty, a run
// lies outside the volume's clusters, or the clusters overflow; Next() then
// gives nothing and Sound() is false.
class RunListReader {
public:
    RunListReader(std::span<const std::uint8_t> mappingPairs, std::uint64_t lowestVcn, std::uint64_t volumeClusters);

    std::optional<Run> Next();
    bool Sound() const { return sound_; }

private:
    std::optional<Run> Fail();
    std::uint64_t ReadField(std::size_t width) const;

    std::span<const std::uint8_t> pairs_;
    std::size_t offset_ = 0;
    std::uint64_t nextVcn_;
    std::uint64_t previousCluster_ = 0;
    std::uint64_t volumeClusters_;
    bool sound_ = true;
    bool ended_ = false;
};

} // namespace trackkit::ntfs
