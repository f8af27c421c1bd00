#include "filetable/file_table.h"

#include <algorithm>
#include <future>
#include <memory>
#include <new>

#include "filetable/attribute_bytes.h"
#include "filetable/file_table_builder.h"
#include "filetable/file_table_layout.h"

namespace trackkit {
namespace {

using ntfs::FileTableBuilder;
using ntfs::Run;

// The boot sector is read as a whole 4 KiB page: a raw read must cover
// whole sectors, and no NTFS sector is larger.
constexpr std::size_t kBootSectorRead = 4096;
constexpr std::size_t kBootSector = 512;
// Few large reads: the table is read a few MiB at a time.
constexpr std::uint64_t kPieceBytes = 4 * 1024 * 1024;

// A piece of several MiB outgrows the processor's nearer caches as it is
// read, so each record is asked for a few records ahead of its decoding.
constexpr std::uint64_t kPrefetchAhead = 8;
constexpr std::size_t kCacheLine = 64;

void Prefetch(std::span<const std::uint8_t> record)
{
    for (std::size_t offset = 0; offset < record.size(); offset += kCacheLine)
        __builtin_prefetch(record.data() + offset);
}

// A piece of the table in memory of its own, aligned so that the volume's
// raw reads can land in it directly.
class PieceBuffer {
public:
    explicit PieceBuffer(std::size_t size) : bytes_(new (std::align_val_t{kAlignment}) std::uint8_t[size]), size_(size) {}
    std::span<std::uint8_t> First(std::size_t size) const { return {bytes_.get(), std::min(size, size_)}; }

private:
    static constexpr std::size_t kAlignment = 4096;
    struct AlignedDelete {
        void operator()(std::uint8_t* bytes) const { ::operator delete[](bytes, std::align_val_t{kAlignment}); }
    };
    std::unique_ptr<std::uint8_t[], AlignedDelete> bytes_;
    std::size_t size_;
};

FileTableResult Ended(FileTableEnd end, std::uint32_t error = 0)
{
    FileTableResult result;
    result.end = end;
    result.error = error;
    return result;
}

class TablePass {
public:
    TablePass(VolumeBytes& volume, const NtfsGeometry& geometry, const ntfs::FileTableLayout& layout, FileTable& table)
        : volume_(volume), geometry_(geometry), runs_(layout.runs), builder_(table), table_(table),
          records_(layout.records), recordsPerPiece_(std::max<std::uint64_t>(1, kPieceBytes / geometry.bytesPerRecord))
    {
    }

    // Unreadable, with the volume's error, when neither a piece nor any
    // record in it could be read: the volume ends before the table does.
    //
    // The next piece is read while this one is decoded, on a thread of its
    // own: the volume's reads and the decoding overlap. Leaving early waits
    // for that read (the future's end) before the pieces' memory goes.
    FileTableEnd ReadAll(const FileTableProgress& progress, std::uint32_t& error)
    {
        builder_.ExpectRecords(records_);
        const std::size_t pieceBytes = static_cast<std::size_t>(std::min(recordsPerPiece_, records_) * geometry_.bytesPerRecord);
        const PieceBuffer pieces[2] = {PieceBuffer(pieceBytes), PieceBuffer(pieceBytes)};
        std::future<std::uint32_t> reading = ReadPiece(0, pieces[0], std::launch::deferred);
        for (std::uint64_t first = 0, index = 0; first < records_; first += recordsPerPiece_, ++index) {
            const std::uint64_t count = PieceRecords(first);
            const std::span<std::uint8_t> buffer = pieces[index % 2].First(count * geometry_.bytesPerRecord);
            error = reading.get();
            if (first + count < records_)
                reading = ReadPiece(first + count, pieces[(index + 1) % 2], std::launch::async | std::launch::deferred);
            builder_.MakeRoomFor(first + count);
            std::uint64_t readable = 0;
            for (std::uint64_t i = 0; i < count; ++i) {
                if (i + kPrefetchAhead < count)
                    Prefetch(RecordIn(buffer, i + kPrefetchAhead));
                readable += AddRecord(first + i, RecordIn(buffer, i), error == 0) ? 1 : 0;
            }
            if (error != 0 && readable == 0)
                return FileTableEnd::Unreadable;
            error = 0;
            table_.records += count;
            if (progress && !progress(first + count, records_))
                return FileTableEnd::Stopped;
        }
        builder_.Finish([this](std::span<const Run> runs, std::uint64_t dataSize) {
            std::uint32_t readError = 0;
            return ntfs::ReadNonresidentValue(volume_, geometry_, runs, dataSize, readError);
        });
        return FileTableEnd::Read;
    }

private:
    std::uint64_t PieceRecords(std::uint64_t first) const { return std::min(recordsPerPiece_, records_ - first); }

    std::future<std::uint32_t> ReadPiece(std::uint64_t first, const PieceBuffer& piece, std::launch policy) const
    {
        const std::span<std::uint8_t> bytes = piece.First(PieceRecords(first) * geometry_.bytesPerRecord);
        return std::async(policy, [this, first, bytes] {
            return ntfs::ReadAttributeBytes(volume_, geometry_, runs_, first * geometry_.bytesPerRecord, bytes);
        });
    }

    std::span<std::uint8_t> RecordIn(std::span<std::uint8_t> piece, std::uint64_t index) const
    {
        return piece.subspan(index * geometry_.bytesPerRecord, geometry_.bytesPerRecord);
    }

    // A record torn in the large read (or in a read that failed) is read
    // again on its own, once: a live volume may have been writing it. true
    // when its bytes could be read.
    bool AddRecord(std::uint64_t record, std::span<std::uint8_t> bytes, bool readWell)
    {
        if (readWell && builder_.AddRecord(record, bytes) == FileTableBuilder::Outcome::Taken)
            return true;
        if (ntfs::ReadRecordBytes(volume_, geometry_, runs_, record, bytes) != 0) {
            builder_.CountUnreadable();
            return false;
        }
        if (builder_.AddRecord(record, bytes) == FileTableBuilder::Outcome::Torn)
            builder_.CountUnreadable();
        return true;
    }

    VolumeBytes& volume_;
    const NtfsGeometry& geometry_;
    std::span<const Run> runs_;
    FileTableBuilder builder_;
    FileTable& table_;
    std::uint64_t records_;
    std::uint64_t recordsPerPiece_;
};

} // namespace

FileTableResult ReadFileTable(VolumeBytes& volume, const FileTableProgress& progress)
{
    std::vector<std::uint8_t> boot(kBootSectorRead);
    if (const std::uint32_t error = volume.ReadAt(0, boot))
        return Ended(FileTableEnd::Unreadable, error);
    const std::optional<NtfsGeometry> geometry = ReadNtfsBootSector(std::span(boot).first(kBootSector));
    if (!geometry)
        return Ended(FileTableEnd::NotNtfs);
    const ntfs::FileTableLayout layout = ntfs::FindFileTable(volume, *geometry);
    if (layout.error)
        return Ended(FileTableEnd::Unreadable, layout.error);

    FileTableResult result;
    result.table.geometry = *geometry;
    TablePass pass(volume, *geometry, layout, result.table);
    std::uint32_t error = 0;
    const FileTableEnd end = pass.ReadAll(progress, error);
    if (end != FileTableEnd::Read)
        return Ended(end, error);
    return result;
}

} // namespace trackkit
