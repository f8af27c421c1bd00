#include "changes/changed_files.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/error_codes.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
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

// The bytes the volume's clusters hold: past them a block has nothing to look
// up (the last block may reach past the volume's end).
std::uint64_t ClusteredBytes(const ChangedFilesGeometry& geometry)
{
    if (geometry.volumeBytes == 0)
        return std::numeric_limits<std::uint64_t>::max();
    return geometry.volumeBytes / geometry.bytesPerCluster * geometry.bytesPerCluster;
}

void AppendPieces(std::uint32_t block, const ChangedFilesGeometry& geometry, std::vector<ClusterPiece>& pieces)
{
    const std::uint64_t start = std::uint64_t{block} * geometry.bytesPerBlock;
    const std::uint64_t end = std::min(start + geometry.bytesPerBlock, ClusteredBytes(geometry));
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
    // stillWanted is asked before every request: false cancels the run.
    ChangeTally(TrackedVolume& volume, const ChangedFilesLimits& limits, const std::function<bool()>& stillWanted,
                ChangedFilesReport& report)
        : volume_(volume), limits_(limits), stillWanted_(stillWanted), report_(report)
    {
    }

    // Looks up a batch of whole blocks; false when the run must end. What
    // the answers name counts only once the whole batch is answered: a run
    // that stops between the halves of a split batch must not list blocks
    // it does not count as answered.
    bool LookUpBlocks(std::span<const ClusterPiece> pieces)
    {
        partsUsed_ = 0;
        unansweredInBatch_ = 0;
        if (!LookUp(pieces))
            return false;
        for (std::size_t i = 0; i < partsUsed_; ++i)
            Attribute(answered_[i]);
        report_.unansweredClusters += unansweredInBatch_;
        for (const ClusterPiece& piece : pieces)
            report_.answeredBytes += piece.bytes;
        return true;
    }

    bool Cancelled() const { return cancelled_; }

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
    // Parts are kept from batch to batch with their memory: a fresh buffer
    // of a megabyte per request is memory the system must map and clear
    // again each time (under Wine, a large part of the run's time).
    struct AnsweredPart {
        std::span<const ClusterPiece> pieces;
        std::vector<std::size_t> firstPiece;  // of each cluster asked, then pieces.size()
        std::vector<std::pair<std::size_t, std::size_t>> owners;  // (cluster index, stream), ascending, once each
    };

    // Looks up the pieces' clusters, splitting the request where it must;
    // false when the run must end.
    bool LookUp(std::span<const ClusterPiece> pieces)
    {
        clusters_.clear();
        firstPiece_.clear();
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (clusters_.empty() || clusters_.back() != pieces[i].cluster) {
                clusters_.push_back(pieces[i].cluster);
                firstPiece_.push_back(i);
            }
        }
        firstPiece_.push_back(pieces.size());

        if (!stillWanted_()) {
            cancelled_ = true;
            return false;
        }
        EncodeLookupRequest(clusters_, request_);
        const Answer answer = Ask(request_);
        switch (answer.kind) {
        case Answer::Kind::Failed:
            report_.end = report_.requests == 0 ? ChangedFilesEnd::Refused : ChangedFilesEnd::Stopped;
            report_.error = answer.error;
            return false;
        case Answer::Kind::Split: {
            // A lone cluster the file system cannot take is no file's; so is
            // the rest, once it has refused too often in a row.
            if (++refusalsInARow_ > kMostRefusalsInARow || clusters_.size() == 1) {
                unansweredInBatch_ += clusters_.size();
                return true;
            }
            const std::size_t half = firstPiece_[clusters_.size() / 2];
            return LookUp(pieces.first(half)) && LookUp(pieces.subspan(half));
        }
        case Answer::Kind::Reply: break;
        }
        refusalsInARow_ = 0;
        ++report_.requests;
        if (partsUsed_ == answered_.size())
            answered_.emplace_back();
        AnsweredPart& part = answered_[partsUsed_++];
        part.pieces = pieces;
        std::swap(part.firstPiece, firstPiece_);
        OwnersIn(answer.reply, clusters_, part.owners);
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
    void OwnersIn(std::span<const std::uint8_t> reply, const std::vector<std::uint64_t>& clusters,
                  std::vector<std::pair<std::size_t, std::size_t>>& owners)
    {
        owners.clear();
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
    const std::function<bool()>& stillWanted_;
    ChangedFilesReport& report_;
    bool cancelled_ = false;
    std::uint32_t refusalsInARow_ = 0;
    std::uint64_t unansweredInBatch_ = 0;
    std::vector<std::uint8_t> reply_;
    std::vector<Stream> streams_;
    std::unordered_map<std::string, std::size_t> indexByName_;
    std::vector<AnsweredPart> answered_;  // the first partsUsed_ are the batch's being looked up
    std::size_t partsUsed_ = 0;
    std::vector<std::uint64_t> clusters_;  // of the request being asked
    std::vector<std::size_t> firstPiece_;  // of each of its clusters, then the pieces' count
    std::vector<std::uint8_t> request_;
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

    const std::function<bool()> stillWanted = [&] { return Continue(progress, report.blocksDone, report.changedBlocks); };
    ChangeTally tally(volume, limits, stillWanted, report);
    try {
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
        }
        if (tally.Cancelled() || (report.end == ChangedFilesEnd::Complete && !stillWanted()))
            report.end = ChangedFilesEnd::Cancelled;
        report.files = tally.TakeFiles();
    } catch (const std::bad_alloc&) {
        // What was counted so far stays; the status line says why it stops.
        report.end = ChangedFilesEnd::Stopped;
        report.error = kErrorNotEnoughMemory;
        report.files = tally.TakeFiles();
    }
    if (report.end == ChangedFilesEnd::Complete && report.requests == 0 && report.unansweredClusters > 0) {
        report.end = ChangedFilesEnd::Refused;
        report.error = kErrorInvalidParameter;
    }
    SortLargestFirst(report.files);
    return report;
}

} // namespace trackkit
