#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "filetable/file_table.h"

namespace trackkit {

// Who owns a cluster, as record, attribute type and name.
struct NtfsClusterOwner {
    std::uint64_t record = 0;
    std::uint32_t attributeType = 0;
    std::wstring attributeName;

    bool operator==(const NtfsClusterOwner&) const = default;
};

// The NTFS image that make_ntfs_image.sh made for this build tree, with what
// ntfs-3g's own tools say of it.
struct NtfsTestImage {
    std::vector<std::uint8_t> bytes;
    std::map<std::string, std::uint64_t> records;  // "/docs/readme.txt" -> its record
    std::uint64_t deletedRecord = 0;
    std::uint64_t recordsInUse = 0;               // set bits of $MFT's $BITMAP
    std::map<std::uint64_t, NtfsClusterOwner> owners;  // every owned cluster, from ntfscluster
    std::map<std::uint64_t, std::vector<ClusterRun>> dataRuns;  // each file's unnamed $DATA runs, from ntfscluster
};

// An image that make_ntfs_image.sh left at path, with its .clusters and
// .manifest beside it.
NtfsTestImage LoadNtfsTestImage(const std::string& path);

// Nothing (and why in reason) when this build tree has no image: ntfs-3g
// was not installed when it was configured.
const NtfsTestImage* TestImage(std::string& reason);

// Every cluster the table's streams own, with its owner.
std::map<std::uint64_t, NtfsClusterOwner> OwnersOf(const FileTable& table);

// The unnamed $DATA stream of a file, or nullptr.
const FileTableStream* DataStream(const FileTable& table, std::uint64_t record, const std::wstring& name = L"");

} // namespace trackkit
