// Feeds arbitrary bytes to the decoders of the driver's and the file
// system's replies, as the poller and the cluster lookup receive them: the
// geometry and statistics records with any byte count, the statistics rows
// made from them, and the walk of a cluster lookup reply. Any read outside
// the bytes, overflow or walk that does not move forward ends the run.
//
// The bytes also drive a whole changed-files run: a small geometry, limits
// and bitmap, then the file system's answers one request at a time (errors,
// raw bytes, or well-formed replies about the asked clusters). What the run
// reports must agree with the bitmap and with itself.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "changes/changed_files.h"
#include "common/error_codes.h"
#include "sim/lookup_reply_encoder.h"
#include "sim/plain_locale_text.h"
#include "tracking/cluster_lookup.h"
#include "tracking/driver_contract.h"
#include "tracking/poller.h"
#include "tracking/statistics.h"

namespace trackkit {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

class CheckedRows final : public StatisticsRows {
public:
    void SetValueText(int row, std::wstring_view text) override
    {
        Require(row >= kFirstStatisticsRow && row <= kLastStatisticsRow);
        Require(text.size() < kStatisticsTextChars);
    }
};

void DecodeGeometry(std::span<const std::uint8_t> reply)
{
    const auto record = DecodeTrackingGeometry(reply);
    Require(record.has_value() == (reply.size() >= 24));
    if (!record)
        return;
    if (const auto geometry = GeometryFromRecord(*record)) {
        Require(geometry->blockCount > 0 && geometry->bytesPerBlock > 0);
        Require(geometry->cbtFirstBlock <= geometry->cbtLastBlock || record->cbtFirstLcn > record->cbtLastLcn);
    }
}

void DecodeStatistics(std::span<const std::uint8_t> reply)
{
    const auto info = DecodeTrackingInfo(reply);
    Require(info.has_value() == (reply.size() >= kTrackingInfoReadLength));
    if (!info)
        return;
    CheckedRows rows;
    PlainLocaleText locale;
    FillStatisticsRows(*info, rows, locale);
}

void WalkReply(std::span<const std::uint8_t> reply)
{
    const std::vector<ClusterLookupEntry> entries = DecodeLookupReply(reply);
    // Each entry takes at least its fixed 24 bytes, and no two overlap.
    Require(entries.size() * kLookupEntryNameOffset <= reply.size());
    for (const ClusterLookupEntry& entry : entries) {
        Require(entry.fileName.size() * 2 <= reply.size());
        Require(FlagWords(entry.flags).size() < 128);
    }
    Require(LookupTitle(entries).size() < 128);

    // The sound walk lists the same entries, less only a name cut at the end.
    const LookupReplyWalk walk = WalkLookupReply(reply);
    const bool cut = walk.fault == LookupReplyFault::NameUnterminated;
    Require(walk.entries.size() + (cut ? 1 : 0) == entries.size());
    Require(std::equal(walk.entries.begin(), walk.entries.end(), entries.begin()));
}

// The fuzz bytes in order; zeros once they run out.
class InputBytes {
public:
    explicit InputBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Empty() const { return bytes_.empty(); }
    std::uint8_t Byte()
    {
        const std::span<const std::uint8_t> taken = Take(1);
        return taken.empty() ? 0 : taken[0];
    }
    std::span<const std::uint8_t> Take(std::size_t count)
    {
        const std::span<const std::uint8_t> taken = bytes_.first(std::min(count, bytes_.size()));
        bytes_ = bytes_.subspan(taken.size());
        return taken;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// A file system whose answers come from the fuzz bytes, one request at a
// time; once they run out, every request fails.
class ScriptedFileSystem final : public TrackedVolume {
public:
    explicit ScriptedFileSystem(InputBytes& input) : input_(input) {}

    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        const auto clusters = ClustersOfLookupRequest(request);
        Require(clusters.has_value() && std::is_sorted(clusters->begin(), clusters->end()));
        if (input_.Empty())
            return DriverReply::Failure(kErrorGenFailure);
        switch (input_.Byte() % 5) {
        case 0: return DriverReply::Failure(kErrorMoreData);
        case 1: return DriverReply::Failure(kErrorInvalidParameter);
        case 2: return DriverReply::Failure(kErrorDeviceNotConnected);
        case 3: return RawReply(reply);
        default: return WriteLookupReply(OwnersOf(*clusters), reply);
        }
    }
    DriverReply QueryGeometry(std::span<std::uint8_t>) override { return {}; }
    DriverReply QueryStatistics(std::span<std::uint8_t>) override { return {}; }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t>) override { return {}; }
    DriverReply RequestRemoval() override { return {}; }

private:
    static constexpr std::uint32_t kErrorInvalidParameter = 87;
    static constexpr std::uint32_t kErrorDeviceNotConnected = 21;
    static constexpr std::uint32_t kErrorGenFailure = 31;

    // Bytes as they come, claiming a length of their own.
    DriverReply RawReply(std::span<std::uint8_t> reply)
    {
        const std::span<const std::uint8_t> bytes = input_.Take(std::size_t{input_.Byte()} * 4);
        std::copy_n(bytes.begin(), std::min(bytes.size(), reply.size()), reply.begin());
        return DriverReply::Success(static_cast<std::uint32_t>(bytes.size()) + input_.Byte() % 8);
    }

    // Each asked cluster owned by none, one or two of a few streams, a
    // metadata one among them, or now and then by a cluster not asked about.
    std::vector<ClusterOwner> OwnersOf(const std::vector<std::uint64_t>& clusters)
    {
        static const std::vector<ClusterOwner> kStreams = {
            {0, OwnerFlags::kData, L"\\a::$DATA"},
            {0, OwnerFlags::kData, L"\\b::$DATA"},
            {0, OwnerFlags::kFsSystemFile | OwnerFlags::kData, L"\\$MFT::$DATA"},
        };
        std::vector<ClusterOwner> owners;
        for (std::uint64_t cluster : clusters) {
            const unsigned pick = input_.Byte();
            for (unsigned shift : {0u, 2u}) {
                const unsigned owner = pick >> shift & 3;
                if (owner == 0)
                    break;
                owners.push_back(kStreams[owner - 1]);
                owners.back().cluster = pick >= 0xF0 ? clusters.back() + 1 : cluster;
            }
        }
        return owners;
    }

    InputBytes& input_;
};

bool IsSet(std::span<const std::uint8_t> bitmap, std::uint32_t block)
{
    return (bitmap[block / 8] >> (block % 8) & 1) != 0;
}

// The changed block the file system answered for last: the blocksDone-th set
// bit below N, or N when none was answered.
std::uint32_t LastAnsweredBlock(std::span<const std::uint8_t> bitmap, std::uint32_t blockCount, std::uint64_t blocksDone)
{
    std::uint64_t seen = 0;
    for (std::uint32_t block = 0; block < blockCount && block / 8 < bitmap.size(); ++block)
        if (IsSet(bitmap, block) && ++seen == blocksDone)
            return block;
    return blockCount;
}

void CheckReport(const ChangedFilesReport& report, const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap)
{
    if (report.end == ChangedFilesEnd::NoBitmap || report.end == ChangedFilesEnd::NoClusterSize) {
        Require(report.files.empty() && report.blocksDone == 0 && report.requests == 0);
        return;
    }
    Require(report.changedBlocks == CountChangedBlocks(bitmap, geometry.blockCount));
    Require(report.blocksDone <= report.changedBlocks);
    Require(report.end != ChangedFilesEnd::Complete || report.blocksDone == report.changedBlocks);
    Require(report.answeredBytes == report.blocksDone * geometry.bytesPerBlock);
    Require(report.fileBytes <= report.answeredBytes);

    const std::uint32_t lastAnswered = LastAnsweredBlock(bitmap, geometry.blockCount, report.blocksDone);
    std::uint64_t listedBytes = 0;
    for (const ChangedFile& file : report.files) {
        Require((file.flags & (kLookupFlagFsSystemFile | kLookupFlagTxfSystemFile)) == 0 && !file.blocks.empty());
        Require(file.changedBytes >= file.blocks.size() && file.changedBytes <= file.blocks.size() * geometry.bytesPerBlock);
        for (std::size_t i = 0; i < file.blocks.size(); ++i) {
            Require(file.blocks[i] <= lastAnswered && lastAnswered < geometry.blockCount && IsSet(bitmap, file.blocks[i]));
            Require(i == 0 || file.blocks[i - 1] < file.blocks[i]);
        }
        listedBytes += file.changedBytes;
        Require(&file == report.files.data() || (&file)[-1].changedBytes >= file.changedBytes);
    }
    Require(report.fileBytes <= listedBytes);
}

// Geometry, limits and bitmap from the first bytes, the file system's answers
// from the rest.
void FindChangedFilesIn(std::span<const std::uint8_t> bytes)
{
    InputBytes input(bytes);
    ChangedFilesGeometry geometry;
    geometry.blockCount = input.Byte() % 65;
    geometry.bytesPerBlock = std::uint32_t{input.Byte()} * 16;
    geometry.bytesPerCluster = input.Byte();
    ChangedFilesLimits limits;
    limits.clustersPerRequest = input.Byte() % 64;
    limits.reply.firstLength = 16 + std::size_t{input.Byte()} * 8;
    limits.reply.ceiling = limits.reply.firstLength << (input.Byte() % 4);
    const std::span<const std::uint8_t> bitmapBytes = input.Take(input.Byte() % 10);
    const std::vector<std::uint8_t> bitmap(bitmapBytes.begin(), bitmapBytes.end());

    ScriptedFileSystem fileSystem(input);
    CheckReport(FindChangedFiles(fileSystem, geometry, bitmap, {}, limits), geometry, bitmap);
}

} // namespace
} // namespace trackkit

// The first byte chooses the reply or the changed-files run; the rest are its bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace trackkit;
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> reply(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0: DecodeGeometry(reply); break;
    case 1: DecodeStatistics(reply); break;
    case 2: WalkReply(reply); break;
    default: FindChangedFilesIn(reply); break;
    }
    return 0;
}
