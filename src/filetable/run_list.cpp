#include "filetable/run_list.h"

#include <cstdint>

namespace trackkit::ntfs {
namespace {

constexpr std::size_t kWidestField = 8;

// The field's 1 to 8 bytes as a two's complement number of their own width.
std::int64_t SignExtend(std::uint64_t value, std::size_t width)
{
    const std::size_t unusedBits = 64 - 8 * width;
    return static_cast<std::int64_t>(value << unusedBits) >> unusedBits;
}

// previous + delta, when it is a cluster of the volume.
std::optional<std::uint64_t> MoveCluster(std::uint64_t previous, std::int64_t delta, std::uint64_t volumeClusters)
{
    if (delta < 0) {
        const std::uint64_t back = 0 - static_cast<std::uint64_t>(delta);
        if (back > previous)
            return std::nullopt;
        return previous - back;
    }
    const std::uint64_t forward = static_cast<std::uint64_t>(delta);
    if (forward >= volumeClusters - previous)
        return std::nullopt;
    return previous + forward;
}

} // namespace

RunListReader::RunListReader(std::span<const std::uint8_t> mappingPairs, std::uint64_t lowestVcn,
                             std::uint64_t volumeClusters)
    : pairs_(mappingPairs), nextVcn_(lowestVcn), volumeClusters_(volumeClusters)
{
}

std::optional<Run> RunListReader::Fail()
{
    sound_ = false;
    ended_ = true;
    return std::nullopt;
}

std::uint64_t RunListReader::ReadField(std::size_t width) const
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint64_t>(pairs_[offset_ + i]) << (8 * i);
    return value;
}

std::optional<Run> RunListReader::Next()
{
    if (ended_)
        return std::nullopt;
    if (offset_ >= pairs_.size())
        return Fail();  // no terminating zero before the attribute's end
    const std::uint8_t header = pairs_[offset_++];
    if (header == 0) {
        ended_ = true;
        return std::nullopt;
    }
    const std::size_t lengthWidth = header & 0x0F;
    const std::size_t offsetWidth = header >> 4;
    if (lengthWidth > kWidestField || offsetWidth > kWidestField ||
        pairs_.size() - offset_ < lengthWidth + offsetWidth)
        return Fail();
    Run run;
    run.vcn = nextVcn_;
    run.clusterCount = ReadField(lengthWidth);
    offset_ += lengthWidth;
    if (run.clusterCount == 0 || run.clusterCount > UINT64_MAX - nextVcn_)
        return Fail();
    nextVcn_ += run.clusterCount;
    run.sparse = offsetWidth == 0;
    if (run.sparse)
        return run;
    const std::int64_t delta = SignExtend(ReadField(offsetWidth), offsetWidth);
    offset_ += offsetWidth;
    const std::optional<std::uint64_t> first = MoveCluster(previousCluster_, delta, volumeClusters_);
    if (!first || run.clusterCount > volumeClusters_ - *first)
        return Fail();
    run.firstCluster = *first;
    previousCluster_ = *first;
    return run;
}

} // namespace trackkit::ntfs
