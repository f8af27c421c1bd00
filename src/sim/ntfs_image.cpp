#include "sim/ntfs_image.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>

namespace trackkit {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kErrorHandleEof = 38;

// Attribute types.
constexpr std::uint32_t kStandardInformation = 0x10;
constexpr std::uint32_t kFileName = 0x30;
constexpr std::uint32_t kData = 0x80;
constexpr std::uint32_t kIndexRoot = 0x90;
constexpr std::uint32_t kIndexAllocation = 0xA0;
constexpr std::uint32_t kBitmap = 0xB0;
constexpr std::uint32_t kEndOfAttributes = 0xFFFFFFFF;

// A file record segment: its header, then the update sequence array (one
// entry for the sequence number, one per sector), then the attributes.
constexpr std::size_t kUpdateSequenceAt = 0x30;
constexpr std::size_t kUpdateSequenceCount = 1 + SimulatedNtfsImage::kRecordBytes / kSectorBytes;
constexpr std::size_t kFirstAttributeAt = 0x38;
constexpr std::uint16_t kUpdateSequenceNumber = 1;
constexpr std::uint16_t kInUse = 0x1;
constexpr std::uint16_t kDirectory = 0x2;
constexpr std::uint8_t kWin32Namespace = 1;

constexpr std::uint64_t kRootRecord = 5;
constexpr std::uint64_t kExtendRecord = 11;
constexpr std::uint64_t kFirstOrdinaryRecord = 16;

// The file system's own files, by path, and their reserved records.
constexpr std::pair<std::wstring_view, std::uint64_t> kReservedRecords[] = {
    {L"\\$MFT", 0},   {L"\\$MFTMirr", 1}, {L"\\$LogFile", 2}, {L"\\$Volume", 3}, {L"\\$AttrDef", 4}, {L"\\", kRootRecord},
    {L"\\$Bitmap", 6}, {L"\\$Boot", 7},   {L"\\$BadClus", 8}, {L"\\$Secure", 9}, {L"\\$UpCase", 10}, {L"\\$Extend", kExtendRecord},
};

void Put(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// "\Data\sales.mdf::$DATA": the file's path, the attribute's name and type.
struct StreamParts {
    std::wstring path;
    std::wstring attributeName;
    std::uint32_t type = kData;
};

StreamParts PartsOf(std::wstring_view name)
{
    const std::size_t lastSlash = name.rfind(L'\\');
    const std::size_t colon = name.find(L':', lastSlash == std::wstring_view::npos ? 0 : lastSlash);
    StreamParts parts;
    parts.path = std::wstring(name.substr(0, colon));
    if (colon == std::wstring_view::npos)
        return parts;
    const std::wstring_view rest = name.substr(colon + 1);
    const std::size_t typeColon = rest.find(L':');
    parts.attributeName = std::wstring(rest.substr(0, typeColon));
    const std::wstring_view type = typeColon == std::wstring_view::npos ? L"$DATA" : rest.substr(typeColon + 1);
    parts.type = type == L"$INDEX_ALLOCATION" ? kIndexAllocation : type == L"$BITMAP" ? kBitmap : kData;
    return parts;
}

std::wstring ParentOf(const std::wstring& path)
{
    const std::size_t slash = path.rfind(L'\\');
    return slash == 0 || slash == std::wstring::npos ? std::wstring(L"\\") : path.substr(0, slash);
}

std::wstring LeafOf(const std::wstring& path)
{
    return path == L"\\" ? std::wstring(L".") : path.substr(path.rfind(L'\\') + 1);
}

// The smallest number of bytes that hold the value, signed or not.
std::size_t BytesFor(std::uint64_t value)
{
    std::size_t bytes = 1;
    while (bytes < 8 && (value >> (8 * bytes)) != 0)
        ++bytes;
    return bytes;
}

std::size_t SignedBytesFor(std::int64_t value)
{
    std::size_t bytes = 1;
    while (bytes < 8) {
        const std::int64_t low = -(std::int64_t{1} << (8 * bytes - 1));
        if (value >= low && value < -low)
            break;
        ++bytes;
    }
    return bytes;
}

// The run list of a stream's extents, in its order: each run's length and
// its first cluster relative to the run before.
std::vector<std::uint8_t> RunList(std::span<const LayoutExtent> extents)
{
    std::vector<std::uint8_t> list;
    std::uint64_t previous = 0;
    for (const LayoutExtent& extent : extents) {
        const auto delta = static_cast<std::int64_t>(extent.first - previous);
        const std::size_t lengthBytes = BytesFor(extent.count);
        const std::size_t offsetBytes = SignedBytesFor(delta);
        list.push_back(static_cast<std::uint8_t>(lengthBytes | offsetBytes << 4));
        for (std::size_t i = 0; i < lengthBytes; ++i)
            list.push_back(static_cast<std::uint8_t>(extent.count >> (8 * i)));
        for (std::size_t i = 0; i < offsetBytes; ++i)
            list.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(delta) >> (8 * i)));
        previous = extent.first;
    }
    list.push_back(0);
    return list;
}

std::size_t Aligned(std::size_t value) { return (value + 7) / 8 * 8; }

// One file record segment, attribute after attribute; attributes that no
// longer fit are left out.
class RecordWriter {
public:
    RecordWriter(std::uint64_t record, bool directory, bool inUse = true)
    {
        Put(bytes_, 0, 0x454C4946, 4);  // "FILE"
        Put(bytes_, 0x04, kUpdateSequenceAt, 2);
        Put(bytes_, 0x06, kUpdateSequenceCount, 2);
        Put(bytes_, 0x10, 1, 2);  // sequence number
        Put(bytes_, 0x12, 1, 2);  // hard links
        Put(bytes_, 0x14, kFirstAttributeAt, 2);
        Put(bytes_, 0x16, (inUse ? kInUse : 0) | (directory ? kDirectory : 0), 2);
        Put(bytes_, 0x1C, SimulatedNtfsImage::kRecordBytes, 4);
        Put(bytes_, 0x2C, record, 4);
    }

    void Resident(std::uint32_t type, std::wstring_view name, std::span<const std::uint8_t> value)
    {
        const std::size_t valueAt = Aligned(0x18 + 2 * name.size());
        const std::size_t length = Aligned(valueAt + value.size());
        if (!Fits(length))
            return;
        Header(type, name, length, false, 0x18);
        Put(bytes_, at_ + 0x10, value.size(), 4);
        Put(bytes_, at_ + 0x14, valueAt, 2);
        std::copy(value.begin(), value.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + valueAt));
        at_ += length;
    }

    void Nonresident(std::uint32_t type, std::wstring_view name, std::span<const LayoutExtent> extents,
                     std::uint64_t bytesPerCluster, std::uint64_t dataBytes)
    {
        const std::vector<std::uint8_t> runs = RunList(extents);
        const std::size_t runsAt = Aligned(0x40 + 2 * name.size());
        const std::size_t length = Aligned(runsAt + runs.size());
        if (!Fits(length))
            return;
        std::uint64_t clusters = 0;
        for (const LayoutExtent& extent : extents)
            clusters += extent.count;
        Header(type, name, length, true, 0x40);
        Put(bytes_, at_ + 0x18, clusters == 0 ? 0 : clusters - 1, 8);  // the last VCN
        Put(bytes_, at_ + 0x20, runsAt, 2);
        Put(bytes_, at_ + 0x28, clusters * bytesPerCluster, 8);
        Put(bytes_, at_ + 0x30, dataBytes, 8);
        Put(bytes_, at_ + 0x38, dataBytes, 8);
        std::copy(runs.begin(), runs.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + runsAt));
        at_ += length;
    }

    // The end marker, the bytes in use and the update sequence: the last two
    // bytes of each sector go into the array, the sequence number in their place.
    std::span<const std::uint8_t> Finish()
    {
        Put(bytes_, at_, kEndOfAttributes, 4);
        Put(bytes_, 0x18, at_ + 8, 4);
        Put(bytes_, 0x28, nextId_, 2);
        Put(bytes_, kUpdateSequenceAt, kUpdateSequenceNumber, 2);
        for (std::size_t sector = 0; sector + 1 < kUpdateSequenceCount; ++sector) {
            const std::size_t last = (sector + 1) * kSectorBytes - 2;
            bytes_[kUpdateSequenceAt + 2 + 2 * sector] = bytes_[last];
            bytes_[kUpdateSequenceAt + 3 + 2 * sector] = bytes_[last + 1];
            Put(bytes_, last, kUpdateSequenceNumber, 2);
        }
        return bytes_;
    }

private:
    bool Fits(std::size_t length) const { return at_ + length + 8 <= bytes_.size(); }

    void Header(std::uint32_t type, std::wstring_view name, std::size_t length, bool nonresident, std::size_t nameAt)
    {
        Put(bytes_, at_, type, 4);
        Put(bytes_, at_ + 4, length, 4);
        bytes_[at_ + 8] = nonresident ? 1 : 0;
        bytes_[at_ + 9] = static_cast<std::uint8_t>(name.size());
        Put(bytes_, at_ + 0x0A, nameAt, 2);
        Put(bytes_, at_ + 0x0E, nextId_++, 2);
        for (std::size_t i = 0; i < name.size(); ++i)
            Put(bytes_, at_ + nameAt + 2 * i, name[i], 2);
    }

    std::array<std::uint8_t, SimulatedNtfsImage::kRecordBytes> bytes_{};
    std::size_t at_ = kFirstAttributeAt;
    std::uint16_t nextId_ = 0;
};

std::vector<std::uint8_t> FileNameValue(std::uint64_t parent, std::wstring_view name)
{
    std::vector<std::uint8_t> value(0x42 + 2 * name.size());
    Put(value, 0, parent | std::uint64_t{1} << 48, 8);  // the parent's record and sequence number
    value[0x40] = static_cast<std::uint8_t>(name.size());
    value[0x41] = kWin32Namespace;
    for (std::size_t i = 0; i < name.size(); ++i)
        Put(value, 0x42 + 2 * i, name[i], 2);
    return value;
}

// An empty index of file names, as a folder's $INDEX_ROOT holds it.
std::vector<std::uint8_t> EmptyIndexRoot(std::uint32_t bytesPerCluster)
{
    std::vector<std::uint8_t> value(0x20);
    Put(value, 0x00, kFileName, 4);  // indexed attribute
    Put(value, 0x04, 1, 4);          // collation: file names
    Put(value, 0x08, 4096, 4);       // bytes per index record
    value[0x0C] = static_cast<std::uint8_t>(std::max<std::uint32_t>(1, 4096 / bytesPerCluster));
    Put(value, 0x10, 0x10, 4);       // the entries' offset, from the index header
    Put(value, 0x14, 0x20, 4);       // bytes in use
    Put(value, 0x18, 0x20, 4);       // bytes allocated
    return value;
}

// One file of the image: its record, its name and its streams.
struct ImageFile {
    std::uint64_t record = 0;
    std::uint64_t parent = kRootRecord;
    std::wstring name;
    bool directory = false;
    std::vector<std::pair<StreamParts, std::vector<LayoutExtent>>> streams;
};

std::vector<std::uint8_t> BootSector(std::uint64_t volumeBytes, std::uint32_t bytesPerCluster, std::uint64_t mftCluster,
                                     std::uint64_t mirrorCluster)
{
    std::vector<std::uint8_t> sector(kSectorBytes);
    const std::string_view oem = "\xEB\x52\x90NTFS    ";
    std::copy(oem.begin(), oem.end(), sector.begin());
    Put(sector, 0x0B, kSectorBytes, 2);
    sector[0x0D] = static_cast<std::uint8_t>(bytesPerCluster / kSectorBytes);
    sector[0x15] = 0xF8;  // a fixed disk
    Put(sector, 0x28, volumeBytes / kSectorBytes, 8);
    Put(sector, 0x30, mftCluster, 8);
    Put(sector, 0x38, mirrorCluster, 8);
    // A record of 1 KiB: as clusters when a cluster is no larger, else as
    // the negated power of two of its bytes.
    sector[0x40] = bytesPerCluster <= SimulatedNtfsImage::kRecordBytes
                       ? static_cast<std::uint8_t>(SimulatedNtfsImage::kRecordBytes / bytesPerCluster)
                       : static_cast<std::uint8_t>(-10);
    sector[0x44] = bytesPerCluster <= 4096 ? static_cast<std::uint8_t>(4096 / bytesPerCluster) : static_cast<std::uint8_t>(-12);
    sector[0x1FE] = 0x55;
    sector[0x1FF] = 0xAA;
    return sector;
}

} // namespace

SimulatedNtfsImage::SimulatedNtfsImage(const FileLayout& layout, std::uint32_t bytesPerCluster)
    : bytesPerCluster_(bytesPerCluster), volumeBytes_(layout.ClusterCount() * bytesPerCluster)
{
    if (bytesPerCluster == 0 || layout.ClusterCount() == 0)
        return;
    // Every stream's extents, in the stream's order (the layout keeps them by cluster).
    std::vector<std::vector<LayoutExtent>> extentsOf(layout.Streams().size());
    for (const LayoutExtent& extent : layout.Extents())
        extentsOf[extent.stream].push_back(extent);

    std::map<std::wstring, ImageFile> files;  // by path
    const auto fileAt = [&files](const std::wstring& path) -> ImageFile& {
        ImageFile& file = files[path];
        file.name = LeafOf(path);
        return file;
    };
    for (std::size_t i = 0; i < layout.Streams().size(); ++i) {
        StreamParts parts = PartsOf(layout.Streams()[i].name);
        ImageFile& file = fileAt(parts.path);
        file.directory = file.directory || parts.type == kIndexAllocation;
        // A stream the layout gives in pieces (a fragmented file's halves)
        // is one attribute, its pieces' extents one after the other.
        const auto same = std::find_if(file.streams.begin(), file.streams.end(), [&](const auto& stream) {
            return stream.first.type == parts.type && stream.first.attributeName == parts.attributeName;
        });
        if (same != file.streams.end())
            same->second.insert(same->second.end(), extentsOf[i].begin(), extentsOf[i].end());
        else
            file.streams.emplace_back(std::move(parts), std::move(extentsOf[i]));
    }
    // The reserved files are there whether or not they own clusters.
    for (const auto& [path, record] : kReservedRecords)
        fileAt(std::wstring(path));
    fileAt(L"\\").directory = true;
    // Every folder on a file's path is a file of the image too.
    std::vector<std::wstring> paths;
    for (const auto& [path, file] : files)
        paths.push_back(path);
    for (const std::wstring& path : paths)
        for (std::wstring folder = ParentOf(path); folder != L"\\"; folder = ParentOf(folder))
            fileAt(folder).directory = true;
    fileAt(L"\\$Extend").directory = true;

    // Records: the reserved ones, then folders, then files.
    std::uint64_t next = kFirstOrdinaryRecord;
    for (const bool folders : {true, false})
        for (auto& [path, file] : files)
            if (file.directory == folders) {
                const std::wstring& name = path;  // clang 14 cannot capture a structured binding
                const auto reserved = std::find_if(std::begin(kReservedRecords), std::end(kReservedRecords),
                                                   [&](const auto& entry) { return entry.first == name; });
                file.record = reserved != std::end(kReservedRecords) ? reserved->second : next++;
            }
    for (auto& [path, file] : files)
        file.parent = path == L"\\" ? kRootRecord : files.at(ParentOf(path)).record;

    const ImageFile& mft = fileAt(L"\\$MFT");
    for (const auto& [parts, extents] : mft.streams)
        if (parts.type == kData)
            mftExtents_ = extents;
    std::uint64_t mftBytes = 0;
    for (const LayoutExtent& extent : mftExtents_)
        mftBytes += extent.count * bytesPerCluster;
    const std::uint64_t records = std::min<std::uint64_t>(next, mftBytes / kRecordBytes);
    records_.assign(records * kRecordBytes, 0);
    // Reserved records that no file takes are records not in use.
    for (std::uint64_t record = 0; record < std::min(records, kFirstOrdinaryRecord); ++record) {
        RecordWriter unused(record, false, false);
        const std::span<const std::uint8_t> bytes = unused.Finish();
        std::copy(bytes.begin(), bytes.end(), records_.begin() + static_cast<std::ptrdiff_t>(record * kRecordBytes));
    }
    for (const auto& [path, file] : files) {
        if (file.record >= records)
            continue;  // the $MFT is full
        RecordWriter writer(file.record, file.directory);
        writer.Resident(kStandardInformation, L"", std::vector<std::uint8_t>(72));
        writer.Resident(kFileName, L"", FileNameValue(file.parent, file.name));
        if (file.directory)
            writer.Resident(kIndexRoot, L"$I30", EmptyIndexRoot(bytesPerCluster));
        for (const auto& [parts, extents] : file.streams) {
            std::uint64_t bytes = 0;
            for (const LayoutExtent& extent : extents)
                bytes += extent.count * bytesPerCluster;
            writer.Nonresident(parts.type, parts.attributeName, extents, bytesPerCluster,
                               file.record == 0 && parts.type == kData ? records * kRecordBytes : bytes);
        }
        const std::span<const std::uint8_t> bytes = writer.Finish();
        std::copy(bytes.begin(), bytes.end(), records_.begin() + static_cast<std::ptrdiff_t>(file.record * kRecordBytes));
    }
    std::uint64_t mirror = 0;
    for (const auto& [parts, extents] : fileAt(L"\\$MFTMirr").streams)
        mirror = extents.empty() ? 0 : extents.front().first;
    bootSector_ = BootSector(volumeBytes_, bytesPerCluster, mftExtents_.empty() ? 0 : mftExtents_.front().first, mirror);
}

std::uint32_t SimulatedNtfsImage::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    if (offset > volumeBytes_ || volumeBytes_ - offset < into.size())
        return kErrorHandleEof;
    std::fill(into.begin(), into.end(), std::uint8_t{0});
    const std::uint64_t end = offset + into.size();
    // Copies the part of [from, from + bytes.size()) on the volume that the read covers.
    const auto copy = [&](std::uint64_t from, std::span<const std::uint8_t> bytes) {
        const std::uint64_t first = std::max(from, offset);
        const std::uint64_t last = std::min(from + bytes.size(), end);
        if (first < last)
            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(first - from), bytes.begin() + static_cast<std::ptrdiff_t>(last - from),
                      into.begin() + static_cast<std::ptrdiff_t>(first - offset));
    };
    copy(0, bootSector_);
    std::uint64_t dataAt = 0;
    for (const LayoutExtent& extent : mftExtents_) {
        const std::uint64_t length = extent.count * bytesPerCluster_;
        if (dataAt < records_.size()) {
            const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(length, records_.size() - dataAt));
            copy(extent.first * bytesPerCluster_, std::span<const std::uint8_t>(records_).subspan(static_cast<std::size_t>(dataAt), available));
        }
        dataAt += length;
    }
    return 0;
}

} // namespace trackkit
