// Feeds arbitrary bytes to the file table reader as a small volume. The
// first byte chooses how much of the volume the harness makes sound, so that
// the fuzzer reaches past each check:
//   bit 0  a boot sector of the harness's own (sector 512, the cluster size
//          from bits 1-2, $MFT's cluster from bits 3-5, records of 1024,
//          as many sectors as the volume has) in place of the input's;
//   bit 6  every 1024-byte block that starts "FILE" gets an update sequence
//          that matches, so its attributes are read.
// Whatever the bytes, the table must hold together: every run inside the
// volume, every stream's runs inside the table, names without a 0 and no
// longer than NTFS allows, counts that add up, progress that only grows.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/byte_reader.h"
#include "filetable/file_table.h"
#include "filetable/memory_volume_bytes.h"

namespace trackkit {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kRecord = 1024;
constexpr std::size_t kSmallestVolume = 8 * 1024;

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "file table fuzz: %s\n", what);
    std::abort();
}

void WriteBootSector(std::vector<std::uint8_t>& volume, std::uint8_t mode)
{
    ByteWriter writer(volume);
    const char oem[] = "NTFS    ";
    for (std::size_t i = 0; i < 8; ++i)
        writer.U8At(3 + i, static_cast<std::uint8_t>(oem[i]));
    writer.U16At(0x0B, kSector);
    const std::uint8_t sectorsPerCluster = static_cast<std::uint8_t>(1u << ((mode >> 1) & 3));
    writer.U8At(0x0D, sectorsPerCluster);
    writer.U64At(0x28, volume.size() / kSector);
    writer.U64At(0x30, (mode >> 3) & 7);
    writer.U8At(0x40, 0xF6);  // 2^10 bytes a record
}

// What a file system does before it writes a record: the last two bytes of
// each stride go to the update sequence array, the sequence number in their
// place.
void SignRecords(std::vector<std::uint8_t>& volume)
{
    for (std::size_t at = 0; at + kRecord <= volume.size(); at += kSector) {
        const std::span<std::uint8_t> record(volume.data() + at, kRecord);
        if (record[0] != 'F' || record[1] != 'I' || record[2] != 'L' || record[3] != 'E')
            continue;
        const std::size_t usa = ByteReader(record).U16At(4);
        if (usa + 6 > kSector - 2)
            continue;
        ByteWriter writer(record);
        writer.U16At(6, 3);
        for (std::size_t stride = 1; stride <= 2; ++stride) {
            record[usa + 2 * stride] = record[stride * kSector - 2];
            record[usa + 2 * stride + 1] = record[stride * kSector - 1];
            record[stride * kSector - 2] = record[usa];
            record[stride * kSector - 1] = record[usa + 1];
        }
    }
}

void CheckTable(const FileTable& table)
{
    Require(table.files.size() == table.records, "a file for each record");
    Require(table.recordsInUse + table.recordsUnreadable <= table.records, "records in use or unreadable, of those read");
    Require(table.recordsUnsound <= table.records, "unsound records, of those read");
    for (const ClusterRun& run : table.runs)
        Require(run.clusterCount > 0 && run.firstCluster < table.geometry.clusterCount &&
                    run.clusterCount <= table.geometry.clusterCount - run.firstCluster,
                "every run inside the volume");
    for (const FileTableStream& stream : table.streams) {
        Require(stream.firstRun <= table.runs.size() && stream.runCount <= table.runs.size() - stream.firstRun,
                "a stream's runs inside the table");
        Require(stream.record < table.files.size() && table.files[stream.record].inUse, "a stream of a file in use");
        Require(stream.attributeName.size() <= 255 && stream.attributeName.find(L'\0') == std::wstring::npos,
                "an attribute name NTFS could hold");
        const std::wstring name = table.StreamName(stream);
        Require(!name.empty() && name.front() == L'\\', "a stream name from the root");
        table.IsFileSystemFile(stream.record);
    }
    for (const FileTableFile& file : table.files) {
        const std::wstring_view name = table.NameOf(file);
        Require(file.inUse || name.empty(), "no name for a record not in use");
        Require(name.size() <= 255 && name.find(L'\0') == std::wstring_view::npos, "a file name NTFS could hold");
    }
}

} // namespace
} // namespace trackkit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace trackkit;
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    std::vector<std::uint8_t> volume(std::max(kSmallestVolume, (input.size() + kSector - 1) / kSector * kSector));
    std::copy(input.begin(), input.end(), volume.begin());
    if (mode & 1)
        WriteBootSector(volume, mode);
    if (mode & 0x40)
        SignRecords(volume);

    MemoryVolumeBytes bytes(volume);
    std::uint64_t lastDone = 0;
    const FileTableResult result = ReadFileTable(bytes, [&](std::uint64_t done, std::uint64_t total) {
        Require(done > lastDone && done <= total, "progress that grows up to its total");
        lastDone = done;
        return true;
    });
    if (result.end == FileTableEnd::Read)
        CheckTable(result.table);
    return 0;
}
