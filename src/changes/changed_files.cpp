#include "changes/changed_files.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/error_codes.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kMetadataFlags = kLookupFlagFsSystemFile | kLookupFlagTxfSystemFile;
constexpr std::uint64_t kNoBlock = std::numeric_limits<std::uint64_t>::max();

// The bytes one changed block has in common with one cluster.
struct ClusterPiece {
    std::uint64_t cluster = 0;
    std::uint32_t block = 0;
    std::uint32_t bytes = 0;
};

// The set bits of a bitmap below a limit, in order.
class ChangedBlockCursor {
public:
    ChangedBlockCursor(std::span<const std::uint8_t> bitmap, std::uint32_t blockCount)
        : bitmap_(bitmap), end_(std::min<std::uint64_t>(blockCount, std::uint64_t{bitmap.size()} * 8))
    {
    }

    std::optional<std::uint32_t> Next()
    {
        while (next_ < end_) {
            const std::uint8_t byte = bitmap_[static_cast<std::size_t>(next_ / 8)] >> (next_ % 8);
            if (byte == 0) {
                next_ = (next_ / 8 + 1) * 8;  // the rest of this byte is clear
                continue;
            }
            next_ += static_cast<std::uint64_t>(std::countr_zero(byte));
            if (next_ >= end_)
                break;
            return static_cast<std::uint32_t>(next_++);
        }
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> bitmap_;
    std::uint64_t end_;
    std::uint64_t next_ = 0;
};

void AppendPieces(std::uint32_t block, const ChangedFilesGeometry& geometry, std::vector<ClusterPiece>& pieces)
{
    const std::uint64_t start = std::uint64_t{block} * geometry.bytesPerBlock;
    const std::uint64_t end = start + geometry.bytesPerBlock;
    const std::uint64_t clusterBytes = geometry.bytesPerCluster;
    for (std::uint64_t cluster = start / clusterBytes; cluster * clusterBytes < end; ++cluster) {
        const std::uint64_t from = std::max(start, cluster * clusterBytes);
        const std::uint64_t to = std::min(end, (cluster + 1) * clusterBytes);
        pieces.push_back({cluster, block, static_cast<std::uint32_t>(to - from)});
    }
}

// What one request got: the reply's bytes, a request to split, or a failure.
struct Answer {
    enum class Kind : std::uint8_t { Reply, Split, Failed } kind = Kind::Failed;
    std::span<const std::uint8_t> reply;
    std::uint32_t error = 0;
};

// Adds up what the replies name, stream by stream.
class ChangeTally {
public:
    ChangeTally(TrackedVolume& volume, const ChangedFilesLimits& limits, ChangedFilesReport& report)
        : volume_(volume), limits_(limits), report_(report)
    {
    }

    // Looks up a batch of whole blocks; false when the run must end. What
    // the answers name counts only once the whole batch is answered: a run
    // that stops between the halves of a split batch must not list blocks
    // it does not count as answered.
    bool LookUpBlocks(std::span<const ClusterPiece> pieces)
    {
        answered_.clear();
        if (!LookUp(pieces))
            return false;
        for (const AnsweredPart& part : answered_)
            Attribute(part);
        return true;
    }

    // The files that own changed clusters (a stream named only in a batch
    // that was never finished owns none).
    std::vector<ChangedFile> TakeFiles()
    {
        std::vector<ChangedFile> files;
        for (Stream& stream : streams_)
            if ((stream.file.flags & kMetadataFlags) == 0 && !stream.file.blocks.empty())
                files.push_back(std::move(stream.file));
        return files;
    }

private:
    struct Stream {
        ChangedFile file;
        std::string rawName;  // as the reply spells it: UTF-16LE bytes
        std::uint64_t lastBlock = kNoBlock;
    };

    // One answered request of a batch: what was asked, and who owns what.
    struct AnsweredPart {
        std::span<const ClusterPiece> pieces;
        std::vector<std::size_t> firstPiece;  // of each cluster asked, then pieces.size()
        std::vector<std::pair<std::size_t, std::size_t>> owners;  // (cluster index, stream), ascending, once each
    };

    // Looks up the pieces' clusters, splitting the request where it must;
    // false when the run must end.
    bool LookUp(std::span<const ClusterPiece> pieces)
    {
        std::vector<std::uint64_t> clusters;
        std::vector<std::size_t> firstPiece;  // of each cluster, then pieces.size()
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (clusters.empty() || clusters.back() != pieces[i].cluster) {
                clusters.push_back(pieces[i].cluster);
                firstPiece.push_back(i);
            }
        }
        firstPiece.push_back(pieces.size());

        const Answer answer = Ask(EncodeLookupRequest(clusters));
        switch (answer.kind) {
        case Answer::Kind::Failed:
            report_.end = report_.requests == 0 ? ChangedFilesEnd::Refused : ChangedFilesEnd::Stopped;
            report_.error = answer.error;
            return false;
        case Answer::Kind::Split:
            if (clusters.size() == 1)
                return true;  // a lone cluster the file system cannot take: no file's
            return LookUp(pieces.first(firstPiece[clusters.size() / 2])) &&
                   LookUp(pieces.subspan(firstPiece[clusters.size() / 2]));
        case Answer::Kind::Reply: break;
        }
        ++report_.requests;
        answered_.push_back({pieces, std::move(firstPiece), OwnersIn(answer.reply, clusters)});
        return true;
    }

    Answer Ask(const std::vector<std::uint8_t>& request)
    {
        std::size_t length = std::max({reply_.size(), limits_.reply.firstLength, kLookupReplyHeaderLength});
        for (;;) {
            if (reply_.size() < length)
                reply_.resize(length);
            const DriverReply answer = volume_.LookupStreamsFromClusters(request, reply_);
            if (answer.succeeded)
                return {Answer::Kind::Reply, std::span<const std::uint8_t>(reply_).first(std::min<std::size_t>(answer.bytesReturned, length))};
            if (answer.error == kErrorInvalidParameter)
                return {Answer::Kind::Split, {}, 0};
            if (answer.error != kErrorMoreData)
                return {Answer::Kind::Failed, {}, answer.error};
            if (length > limits_.reply.ceiling / 2)
                return {Answer::Kind::Split, {}, 0};
            length *= 2;
        }
    }

    std::size_t StreamOf(const LookupEntryView& entry)
    {
        const std::string_view name(reinterpret_cast<const char*>(entry.nameBytes.data()), entry.nameBytes.size());
        if (lastStream_ < streams_.size() && streams_[lastStream_].rawName == name)
            return lastStream_;  // the common case: a file over many clusters in a row
        const auto [at, added] = indexByName_.try_emplace(std::string(name), streams_.size());
        if (added)
            streams_.push_back({ChangedFile{NameOf(entry.nameBytes), entry.flags, 0, {}}, std::string(name)});
        lastStream_ = at->second;
        return lastStream_;
    }

    // Who owns each cluster asked about, as the reply says; a reply that is
    // not sound counts as malformed and keeps its sound entries.
    std::vector<std::pair<std::size_t, std::size_t>> OwnersIn(std::span<const std::uint8_t> reply,
                                                              const std::vector<std::uint64_t>& clusters)
    {
        std::vector<std::pair<std::size_t, std::size_t>> owners;
        bool malformed = false;
        std::size_t next = 0;  // entries come in the request's order, as a rule
        const LookupReplyFault fault = VisitLookupReply(reply, [&](const LookupEntryView& entry) {
            std::size_t index = next < clusters.size() && clusters[next] == entry.cluster ? next : next - 1;
            if (index >= clusters.size() || clusters[index] != entry.cluster) {
                index = static_cast<std::size_t>(std::lower_bound(clusters.begin(), clusters.end(), entry.cluster) -
                                                 clusters.begin());
                if (index == clusters.size() || clusters[index] != entry.cluster) {
                    malformed = true;
                    return;
                }
            }
            next = index + 1;
            owners.emplace_back(index, StreamOf(entry));
        });
        if (!std::is_sorted(owners.begin(), owners.end()))
            std::sort(owners.begin(), owners.end());
        owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
        report_.malformedReplies += malformed || fault != LookupReplyFault::None ? 1 : 0;
        return owners;
    }

    void Attribute(const AnsweredPart& part)
    {
        const auto& [pieces, firstPiece, owners] = part;
        std::size_t lastFileCluster = firstPiece.size();  // no cluster
        for (const auto& [cluster, streamIndex] : owners) {
            Stream& stream = streams_[streamIndex];
            const bool isFile = (stream.file.flags & kMetadataFlags) == 0;
            for (std::size_t i = firstPiece[cluster]; i < firstPiece[cluster + 1]; ++i) {
                stream.file.changedBytes += pieces[i].bytes;
                if (stream.lastBlock != pieces[i].block) {
                    stream.file.blocks.push_back(pieces[i].block);
                    stream.lastBlock = pieces[i].block;
                }
                if (isFile && lastFileCluster != cluster)
                    report_.fileBytes += pieces[i].bytes;
            }
            if (isFile)
                lastFileCluster = cluster;
        }
    }

    TrackedVolume& volume_;
    const ChangedFilesLimits& limits_;
    ChangedFilesReport& report_;
    std::vector<std::uint8_t> reply_;
    std::vector<Stream> streams_;
    std::unordered_map<std::string, std::size_t> indexByName_;
    std::vector<AnsweredPart> answered_;  // of the batch being looked up
    std::size_t lastStream_ = 0;
};

bool Continue(const ChangedFilesProgress& progress, std::uint64_t done, std::uint64_t total)
{
    return !progress || progress(done, total);
}

void SortLargestFirst(std::vector<ChangedFile>& files)
{
    std::sort(files.begin(), files.end(), [](const ChangedFile& a, const ChangedFile& b) {
        return a.changedBytes != b.changedBytes ? a.changedBytes > b.changedBytes : a.path < b.path;
    });
}

} // namespace

ChangedFilesEnd CheckLookupInputs(const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap)
{
    if (bitmap.empty() || geometry.blockCount == 0 || geometry.bytesPerBlock == 0)
        return ChangedFilesEnd::NoBitmap;
    if (geometry.bytesPerCluster == 0)
        return ChangedFilesEnd::NoClusterSize;
    return ChangedFilesEnd::Complete;
}

std::uint64_t CountChangedBlocks(std::span<const std::uint8_t> bitmap, std::uint32_t blockCount)
{
    const std::uint64_t bits = std::min<std::uint64_t>(blockCount, std::uint64_t{bitmap.size()} * 8);
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < bits / 8; ++i)
        count += static_cast<std::uint64_t>(std::popcount(bitmap[i]));
    if (bits % 8 != 0)
        count += static_cast<std::uint64_t>(std::popcount(static_cast<std::uint8_t>(bitmap[bits / 8] & ((1u << (bits % 8)) - 1))));
    return count;
}

ChangedFilesReport FindChangedFiles(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                    std::span<const std::uint8_t> bitmap, const ChangedFilesProgress& progress,
                                    const ChangedFilesLimits& limits)
{
    ChangedFilesReport report;
    report.end = CheckLookupInputs(geometry, bitmap);
    if (report.end != ChangedFilesEnd::Complete)
        return report;
    report.changedBlocks = CountChangedBlocks(bitmap, geometry.blockCount);
    if (!Continue(progress, 0, report.changedBlocks)) {
        report.end = ChangedFilesEnd::Cancelled;
        return report;
    }

    ChangeTally tally(volume, limits, report);
    ChangedBlockCursor cursor(bitmap, geometry.blockCount);
    std::vector<ClusterPiece> pieces;
    const std::size_t perRequest = std::max<std::size_t>(limits.clustersPerRequest, 1);
    for (std::optional<std::uint32_t> block = cursor.Next(); block;) {
        // Whole blocks per request, so that progress counts blocks.
        pieces.clear();
        std::uint64_t blocks = 0;
        std::size_t clusters = 0;
        for (; block && clusters < perRequest; block = cursor.Next(), ++blocks) {
            const std::size_t before = pieces.size();
            AppendPieces(*block, geometry, pieces);
            for (std::size_t i = before; i < pieces.size(); ++i)
                clusters += i == 0 || pieces[i].cluster != pieces[i - 1].cluster ? 1 : 0;
        }
        if (!tally.LookUpBlocks(pieces))
            break;
        report.blocksDone += blocks;
        if (!Continue(progress, report.blocksDone, report.changedBlocks)) {
            report.end = ChangedFilesEnd::Cancelled;
            break;
        }
    }
    report.answeredBytes = report.blocksDone * geometry.bytesPerBlock;
    report.files = tally.TakeFiles();
    SortLargestFirst(report.files);
    return report;
}

} // namespace trackkit
