#include "filetable/ntfs_test_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace trackkit {
namespace {

#ifdef TRACKKIT_NTFS_TEST_IMAGE
constexpr const char* kImagePath = TRACKKIT_NTFS_TEST_IMAGE;
#else
constexpr const char* kImagePath = nullptr;
#endif

std::wstring Widened(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

void ReadManifest(const std::string& path, NtfsTestImage& image)
{
    std::ifstream manifest(path);
    std::string kind;
    while (manifest >> kind) {
        std::uint64_t value = 0;
        manifest >> value;
        std::string rest;
        std::getline(manifest, rest);
        const std::string file = rest.empty() ? rest : rest.substr(1);
        if (kind == "record")
            image.records[file] = value;
        else if (kind == "deleted")
            image.deletedRecord = value;
        else if (kind == "in-use")
            image.recordsInUse = value;
    }
}

// ntfscluster -v lists, for each inode, each nonresident attribute as
// "[0x80]", then run lines "<vcn>\t<first>-<last> (<count>)", each followed
// by the owner "Inode 73 /docs/streams.txt/$DATA(notes)".
void ReadClusterOwners(const std::string& path, NtfsTestImage& image)
{
    std::ifstream listing(path);
    const std::regex inode(R"(^Inode: (\d+)$)");
    const std::regex type(R"(^\t\[0x([0-9a-fA-F]+)\]$)");
    const std::regex run(R"(^\t\t\d+\t(\d+)-(\d+) \(\d+\)$)");
    const std::regex owner(R"(^Inode \d+ .*/\$[A-Z_]+(\((.*)\))?$)");
    NtfsClusterOwner current;
    std::vector<ClusterRun> pending;
    std::string line;
    std::smatch match;
    while (std::getline(listing, line)) {
        if (std::regex_match(line, match, inode)) {
            current.record = std::stoull(match[1]);
        } else if (std::regex_match(line, match, type)) {
            current.attributeType = static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
        } else if (std::regex_match(line, match, run)) {
            const std::uint64_t first = std::stoull(match[1]);
            pending.push_back({first, std::stoull(match[2]) - first + 1});
        } else if (std::regex_match(line, match, owner)) {
            current.attributeName = Widened(match[2]);
            for (const ClusterRun& owned : pending) {
                for (std::uint64_t cluster = owned.firstCluster; cluster < owned.firstCluster + owned.clusterCount; ++cluster)
                    image.owners[cluster] = current;
                if (current.attributeType == 0x80 && current.attributeName.empty())
                    image.dataRuns[current.record].push_back(owned);
            }
            pending.clear();
        }
    }
}

} // namespace

NtfsTestImage LoadNtfsTestImage(const std::string& path)
{
    NtfsTestImage image;
    std::ifstream file(path, std::ios::binary);
    image.bytes.assign(std::istreambuf_iterator<char>(file), {});
    ReadManifest(path + ".manifest", image);
    ReadClusterOwners(path + ".clusters", image);
    return image;
}

const NtfsTestImage* TestImage(std::string& reason)
{
    if (kImagePath == nullptr) {
        reason = "no NTFS test image: ntfs-3g's tools were not installed when this build tree was configured "
                 "(make test installs them)";
        return nullptr;
    }
    static const NtfsTestImage image = LoadNtfsTestImage(kImagePath);
    if (image.bytes.empty() || image.owners.empty()) {
        ADD_FAILURE() << "the NTFS test image " << kImagePath << " was not made: see make_ntfs_image.sh's output";
        reason = "no NTFS test image";
        return nullptr;
    }
    return &image;
}

std::map<std::uint64_t, NtfsClusterOwner> OwnersOf(const FileTable& table)
{
    std::map<std::uint64_t, NtfsClusterOwner> owners;
    for (const FileTableStream& stream : table.streams) {
        for (std::size_t i = stream.firstRun; i < stream.firstRun + stream.runCount; ++i) {
            const ClusterRun& run = table.runs[i];
            for (std::uint64_t cluster = run.firstCluster; cluster < run.firstCluster + run.clusterCount; ++cluster)
                owners[cluster] = {stream.record, stream.attributeType, stream.attributeName};
        }
    }
    return owners;
}

const FileTableStream* DataStream(const FileTable& table, std::uint64_t record, const std::wstring& name)
{
    for (const FileTableStream& stream : table.streams) {
        if (stream.record == record && stream.attributeType == 0x80 && stream.attributeName == name)
            return &stream;
    }
    return nullptr;
}

} // namespace trackkit
