#include "filetable/file_table.h"

#include <algorithm>
#include <array>
#include <bit>

#include "filetable/field_reader.h"

namespace trackkit {
namespace {

constexpr std::array<std::uint8_t, 8> kNtfsOemId{'N', 'T', 'F', 'S', ' ', ' ', ' ', ' '};
constexpr std::size_t kOemIdOffset = 3;
constexpr std::size_t kBytesPerSectorOffset = 0x0B;
constexpr std::size_t kSectorsPerClusterOffset = 0x0D;
constexpr std::size_t kTotalSectorsOffset = 0x28;
constexpr std::size_t kMftClusterOffset = 0x30;
constexpr std::size_t kClustersPerRecordOffset = 0x40;

constexpr std::uint32_t kLargestCluster = 2u * 1024 * 1024;  // what Windows formats at most
constexpr std::uint32_t kSmallestRecord = 512;                // one update sequence stride
constexpr std::uint32_t kLargestRecord = 64 * 1024;

bool HasNtfsOemId(std::span<const std::uint8_t> sector)
{
    return sector.size() >= kOemIdOffset + kNtfsOemId.size() &&
           std::equal(kNtfsOemId.begin(), kNtfsOemId.end(), sector.begin() + kOemIdOffset);
}

// A byte above 0x80 is a negative power of two: 0xF4 (-12) is 2^12. Both the
// sectors per cluster and the clusters per record use this form, since
// neither 4096 sectors nor 1/4 cluster fits a plain byte.
std::uint64_t PowerOfTwoFromNegativeByte(std::uint8_t value)
{
    const int exponent = 256 - value;
    return exponent < 32 ? std::uint64_t{1} << exponent : 0;
}

std::uint64_t SectorsPerCluster(std::uint8_t value)
{
    return value <= 0x80 ? value : PowerOfTwoFromNegativeByte(value);
}

std::uint64_t BytesPerRecord(std::uint8_t value, std::uint64_t bytesPerCluster)
{
    return value <= 0x80 ? value * bytesPerCluster : PowerOfTwoFromNegativeByte(value);
}

bool IsPowerOfTwoWithin(std::uint64_t value, std::uint64_t smallest, std::uint64_t largest)
{
    return std::has_single_bit(value) && value >= smallest && value <= largest;
}

} // namespace

std::optional<NtfsGeometry> ReadNtfsBootSector(std::span<const std::uint8_t> sector)
{
    if (!HasNtfsOemId(sector))
        return std::nullopt;
    ntfs::FieldReader reader(sector);
    const std::uint64_t bytesPerSector = reader.U16At(kBytesPerSectorOffset);
    const std::uint64_t sectorsPerCluster = SectorsPerCluster(reader.U8At(kSectorsPerClusterOffset));
    const std::uint64_t totalSectors = reader.U64At(kTotalSectorsOffset);
    const std::uint64_t mftCluster = reader.U64At(kMftClusterOffset);
    const std::uint8_t clustersPerRecord = reader.U8At(kClustersPerRecordOffset);
    if (!reader.Ok() || !IsPowerOfTwoWithin(bytesPerSector, 512, 4096) ||
        !IsPowerOfTwoWithin(sectorsPerCluster, 1, kLargestCluster))
        return std::nullopt;
    const std::uint64_t bytesPerCluster = bytesPerSector * sectorsPerCluster;
    const std::uint64_t bytesPerRecord = BytesPerRecord(clustersPerRecord, bytesPerCluster);
    const std::uint64_t clusterCount = totalSectors / sectorsPerCluster;
    if (bytesPerCluster > kLargestCluster || !IsPowerOfTwoWithin(bytesPerRecord, kSmallestRecord, kLargestRecord) ||
        bytesPerRecord < bytesPerSector || totalSectors > UINT64_MAX / bytesPerSector || mftCluster >= clusterCount)
        return std::nullopt;
    NtfsGeometry geometry;
    geometry.bytesPerSector = static_cast<std::uint32_t>(bytesPerSector);
    geometry.bytesPerCluster = static_cast<std::uint32_t>(bytesPerCluster);
    geometry.bytesPerRecord = static_cast<std::uint32_t>(bytesPerRecord);
    geometry.clusterCount = clusterCount;
    geometry.mftCluster = mftCluster;
    return geometry;
}

} // namespace trackkit
