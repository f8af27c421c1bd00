#include "sim/file_layout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>
#include <map>
#include <utility>

#include "sim/sim_random.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;
constexpr std::uint64_t kGiB = 1024 * kMiB;

// Mixed into the plan's seed so that the layout's numbers are its own, not
// a replay of the workload's.
constexpr std::uint64_t kLayoutSeedSalt = 0x5EED0F11E5ULL;

constexpr wchar_t kDataStream[] = L"::$DATA";
constexpr wchar_t kIndexStream[] = L":$I30:$INDEX_ALLOCATION";

constexpr std::uint32_t kSystemData = OwnerFlags::kFsSystemFile | OwnerFlags::kData;
constexpr std::uint32_t kTxfData = OwnerFlags::kTxfSystemFile | OwnerFlags::kFsSystemFile | OwnerFlags::kData;

// NTFS keeps one 1 KiB record per file in the MFT and one bit per record in
// the MFT's bitmap; a busy server's MFT is about a thousandth of its volume.
constexpr std::uint64_t kMftRecordBytes = 1 * kKiB;
constexpr std::uint64_t kMftVolumeDivisor = 1024;
constexpr std::uint64_t kMinMftBytes = 256 * kKiB;
constexpr std::uint64_t kMftZoneDivisor = 16;  // where the MFT's second extent went

constexpr std::uint64_t kLogFiles = 5;
constexpr std::uint64_t kPageFileBytes = 4 * kGiB;
constexpr std::uint64_t kPageFileShareDivisor = 2000;
constexpr std::uint64_t kPageFileStartSixteenths = 5;

// Ordinary files: sizes spread evenly over the powers of two up to a
// two-thousandth of the volume; about one stretch in six is left free, one
// file in ten is split in two with a few other files between its halves, and
// one allocation in twenty-five is a directory's index.
constexpr std::uint64_t kLargestFileDivisor = 2000;
constexpr std::uint64_t kGapOneIn = 6;
constexpr std::uint64_t kFragmentedOneIn = 10;
constexpr std::uint64_t kFilesBetweenHalves = 4;
constexpr std::uint64_t kDirectoryOneIn = 25;
constexpr std::uint64_t kMaxDirectoryClusters = 4;

std::wstring DataStream(std::wstring_view path)
{
    return std::wstring(path) + kDataStream;
}

std::wstring IndexStream(std::wstring_view path)
{
    return std::wstring(path) + kIndexStream;
}

std::wstring TwoDigits(std::uint64_t number)
{
    return (number < 10 ? L"0" : L"") + std::to_wstring(number);
}

// The lowest `digits` hexadecimal digits of a number, lower case.
std::wstring HexDigits(std::uint64_t number, int digits)
{
    std::wstring text(static_cast<std::size_t>(digits), L'0');
    for (int i = digits - 1; i >= 0; --i, number >>= 4)
        text[static_cast<std::size_t>(i)] = L"0123456789abcdef"[number & 0xF];
    return text;
}

template <typename T, std::size_t N>
const T& Pick(SimRandom& random, const std::array<T, N>& items)
{
    return items[static_cast<std::size_t>(random.Below(N))];
}

// Where ordinary files live, and what their names look like.
enum class Folder { Documents, Pictures, Downloads, ProgramFiles, System32, Installer, Shares };

constexpr std::array<std::pair<Folder, std::uint64_t>, 7> kFolderWeights{{
    {Folder::Documents, 30},
    {Folder::Pictures, 15},
    {Folder::Downloads, 10},
    {Folder::ProgramFiles, 15},
    {Folder::System32, 15},
    {Folder::Installer, 5},
    {Folder::Shares, 10},
}};

// The installer cache names its packages with random hexadecimal numbers.
constexpr std::uint64_t kInstallerNames = std::uint64_t{1} << 32;

const std::array<const wchar_t*, 5> kUsers{L"Administrator", L"jkowalski", L"mchen", L"aokafor", L"svc-backup"};
const std::array<const wchar_t*, 4> kProducts{L"Contoso\\Inventory", L"Fabrikam\\Reporting",
                                              L"Microsoft SQL Server\\MSSQL16.MSSQLSERVER\\MSSQL\\Binn",
                                              L"Common Files\\Northwind"};
const std::array<const wchar_t*, 12> kWords{L"report",   L"budget",  L"invoice", L"inventory", L"forecast", L"minutes",
                                            L"contract", L"summary", L"payroll", L"archive",   L"schedule", L"catalog"};
const std::array<const wchar_t*, 8> kSystemWords{L"netcfg",   L"wmisvc",   L"cryptext", L"shellsvc",
                                                 L"audiosrv", L"dxcoreui", L"winhttpx", L"storqosd"};
const std::array<const wchar_t*, 4> kDocumentTypes{L".docx", L".xlsx", L".pdf", L".pptx"};
const std::array<const wchar_t*, 3> kDownloadTypes{L".zip", L".msi", L".iso"};
const std::array<const wchar_t*, 3> kProgramTypes{L".dll", L".exe", L".dat"};

Folder PickFolder(SimRandom& random)
{
    std::uint64_t total = 0;
    for (const auto& [folder, weight] : kFolderWeights)
        total += weight;
    std::uint64_t roll = random.Below(total);
    for (const auto& [folder, weight] : kFolderWeights) {
        if (roll < weight)
            return folder;
        roll -= weight;
    }
    return Folder::Documents;
}

std::wstring FolderPath(Folder folder, SimRandom& random)
{
    switch (folder) {
    case Folder::Documents:
        return std::wstring(L"\\Users\\") + Pick(random, kUsers) + L"\\Documents";
    case Folder::Pictures:
        return std::wstring(L"\\Users\\") + Pick(random, kUsers) + L"\\Pictures";
    case Folder::Downloads:
        return std::wstring(L"\\Users\\") + Pick(random, kUsers) + L"\\Downloads";
    case Folder::ProgramFiles:
        return std::wstring(L"\\Program Files\\") + Pick(random, kProducts);
    case Folder::System32:
        return L"\\Windows\\System32";
    case Folder::Installer:
        return L"\\Windows\\Installer";
    case Folder::Shares:
        return L"\\Shares\\Finance\\2026";
    }
    return L"\\";
}

// A file name of the folder's kind; `serial` keeps names apart. The draws
// are made one statement at a time: the order in which the operands of one
// expression are evaluated is up to the compiler.
std::wstring FileName(Folder folder, SimRandom& random, std::uint64_t serial)
{
    const std::wstring number = std::to_wstring(serial);
    std::wstring name;
    switch (folder) {
    case Folder::Documents:
        name = Pick(random, kWords);
        name += L"-" + number;
        name += Pick(random, kDocumentTypes);
        break;
    case Folder::Pictures:
        name = L"IMG_" + std::to_wstring(1000 + serial) + L".jpg";
        break;
    case Folder::Downloads:
        name = Pick(random, kWords);
        name += L"-setup-" + number;
        name += Pick(random, kDownloadTypes);
        break;
    case Folder::ProgramFiles:
        name = Pick(random, kWords) + number;
        name += Pick(random, kProgramTypes);
        break;
    case Folder::System32:
        name = Pick(random, kSystemWords) + number + L".dll";
        break;
    case Folder::Installer:
        name = HexDigits(random.Below(kInstallerNames), 8) + L".msi";
        break;
    case Folder::Shares:
        name = Pick(random, kWords);
        name += L"-Q" + std::to_wstring(1 + random.Below(4)) + L"-" + number + L".xlsx";
        break;
    }
    return name;
}

// Builds a layout by handing out the volume's free clusters.
class LayoutBuilder {
public:
    LayoutBuilder(std::uint64_t clusterCount, std::uint64_t bytesPerCluster, std::uint64_t seed)
        : clusterCount_(clusterCount), bytesPerCluster_(bytesPerCluster), random_(seed ^ kLayoutSeedSalt)
    {
        if (clusterCount_ > 0)
            free_[0] = clusterCount_;
    }

    std::size_t AddStream(std::wstring name, std::uint32_t flags)
    {
        streams_.push_back({std::move(name), flags});
        return streams_.size() - 1;
    }

    // Clusters that hold `bytes`: at least one.
    std::uint64_t ClustersFor(std::uint64_t bytes) const
    {
        return std::max<std::uint64_t>(1, (bytes + bytesPerCluster_ - 1) / bytesPerCluster_);
    }

    // At most 1/divisor of the volume (at least one cluster).
    std::uint64_t AtMostShare(std::uint64_t clusters, std::uint64_t divisor) const
    {
        return std::min(clusters, std::max<std::uint64_t>(1, clusterCount_ / divisor));
    }

    // Gives the stream whatever is still free of [first, end).
    void Claim(std::size_t stream, std::uint64_t first, std::uint64_t end)
    {
        end = std::min(end, clusterCount_);
        while (first < end) {
            const auto free = FreeEndingAfter(first);
            if (free == free_.end() || free->first >= end)
                return;
            const std::uint64_t from = std::max(first, free->first);
            const std::uint64_t to = std::min(end, free->second);
            Take(free, from, to, stream);
            first = to;
        }
    }

    // Gives the stream `count` clusters, the first free ones at or after
    // `from`, in as many extents as that takes, and fewer when the volume
    // runs out. Returns the cluster just past the last one given.
    std::uint64_t Allocate(std::size_t stream, std::uint64_t count, std::uint64_t from)
    {
        std::uint64_t at = from;
        while (count > 0) {
            const auto free = FreeEndingAfter(at);
            if (free == free_.end())
                break;
            const std::uint64_t first = std::max(at, free->first);
            const std::uint64_t end = std::min(free->second, first + count);
            Take(free, first, end, stream);
            count -= end - first;
            at = end;
        }
        return at;
    }

    // Ordinary files and directories from the start of the volume to its end,
    // in whatever the fixed files left free.
    void FillWithOrdinaryFiles()
    {
        struct LaterHalf {
            std::size_t stream;
            std::uint64_t clusters;
            std::uint64_t filesToGo;
        };
        std::vector<LaterHalf> laterHalves;
        const std::uint64_t largest = std::max<std::uint64_t>(1, clusterCount_ / kLargestFileDivisor);
        std::uint64_t cursor = 0;
        for (std::uint64_t serial = 1;; ++serial) {
            const auto free = FreeEndingAfter(cursor);
            if (free == free_.end())
                break;
            const std::uint64_t at = std::max(cursor, free->first);
            if (random_.OneIn(kGapOneIn)) {
                cursor = at + SizeUpTo(largest);
                continue;
            }
            const Folder folder = PickFolder(random_);
            const std::wstring path = FolderPath(folder, random_);
            if (random_.OneIn(kDirectoryOneIn)) {
                const std::size_t directory = AddStream(IndexStream(path), OwnerFlags::kIndex);
                cursor = Allocate(directory, 1 + random_.Below(kMaxDirectoryClusters), at);
                continue;
            }

            const std::size_t file = AddStream(DataStream(path + L"\\" + FileName(folder, random_, serial)), OwnerFlags::kData);
            std::uint64_t clusters = SizeUpTo(largest);
            if (clusters >= 2 && random_.OneIn(kFragmentedOneIn)) {
                const std::uint64_t first = clusters / 2;
                laterHalves.push_back({file, clusters - first, 2 + random_.Below(kFilesBetweenHalves)});
                clusters = first;
            }
            cursor = Allocate(file, clusters, at);
            for (LaterHalf& half : laterHalves) {
                if (--half.filesToGo == 0)
                    cursor = Allocate(half.stream, half.clusters, cursor);
            }
            std::erase_if(laterHalves, [](const LaterHalf& half) { return half.filesToGo == 0; });
        }
    }

    // The layout handed out: extents sorted, with touching extents of one
    // stream joined, and only the streams that got clusters (on a small
    // volume the last ones to ask may find none left).
    void Finish(std::vector<LayoutStream>& streams, std::vector<LayoutExtent>& extents)
    {
        std::sort(extents_.begin(), extents_.end(),
                  [](const LayoutExtent& a, const LayoutExtent& b) { return a.first < b.first; });
        constexpr std::size_t kUnused = static_cast<std::size_t>(-1);
        std::vector<std::size_t> renumbered(streams_.size(), kUnused);
        for (LayoutExtent extent : extents_) {
            std::size_t& number = renumbered[extent.stream];
            if (number == kUnused) {
                number = streams.size();
                streams.push_back(std::move(streams_[extent.stream]));
            }
            extent.stream = number;
            if (!extents.empty() && extents.back().stream == extent.stream && extents.back().End() == extent.first)
                extents.back().count += extent.count;
            else
                extents.push_back(extent);
        }
    }

private:
    using FreeMap = std::map<std::uint64_t, std::uint64_t>;  // first cluster -> end

    // The free stretch holding `cluster` or, failing that, the next one after it.
    FreeMap::iterator FreeEndingAfter(std::uint64_t cluster)
    {
        auto next = free_.upper_bound(cluster);
        if (next != free_.begin()) {
            auto holding = std::prev(next);
            if (holding->second > cluster)
                return holding;
        }
        return next;
    }

    // [first, end) lies inside the free stretch `free`.
    void Take(FreeMap::iterator free, std::uint64_t first, std::uint64_t end, std::size_t stream)
    {
        const auto [freeFirst, freeEnd] = *free;
        free_.erase(free);
        if (freeFirst < first)
            free_[freeFirst] = first;
        if (end < freeEnd)
            free_[end] = freeEnd;
        extents_.push_back({first, end - first, stream});
    }

    // Evenly over the powers of two up to `largest`, then evenly within one,
    // so that small files are many and large ones hold most of the space.
    // Integers only, so every build draws the same sizes.
    std::uint64_t SizeUpTo(std::uint64_t largest)
    {
        const auto powers = static_cast<std::uint64_t>(std::bit_width(largest));
        const std::uint64_t low = std::uint64_t{1} << random_.Below(powers);
        return std::min(largest, low + random_.Below(low));
    }

    std::uint64_t clusterCount_;
    std::uint64_t bytesPerCluster_;
    SimRandom random_;
    FreeMap free_;
    std::vector<LayoutStream> streams_;
    std::vector<LayoutExtent> extents_;
};

} // namespace

FileLayoutPlan FileLayoutPlanFor(const WriteWorkload& workload)
{
    return {workload.Config().volumeBytes, workload.Geometry(), workload.Layout(), workload.Config().seed};
}

FileLayout::FileLayout(const FileLayoutPlan& plan)
{
    const TrackingGeometry& geometry = plan.geometry;
    const std::uint64_t bytesPerCluster = std::uint64_t{geometry.clusterFactor1} * geometry.clusterFactor2;
    const std::uint64_t bytesPerBlock = geometry.bytesPerBlock;
    if (bytesPerCluster == 0 || bytesPerBlock == 0)
        return;
    clusterCount_ = plan.volumeBytes / bytesPerCluster;
    LayoutBuilder builder(clusterCount_, bytesPerCluster, plan.seed);
    const auto firstCluster = [&](std::uint64_t block) { return block * bytesPerBlock / bytesPerCluster; };
    const auto claimBlocks = [&](std::size_t stream, BlockRange blocks) {
        builder.Claim(stream, firstCluster(blocks.first), firstCluster(blocks.End()));
    };

    // The files the workload writes, first, so that its busy blocks always
    // name them.
    const std::uint64_t cbtEnd = std::uint64_t{geometry.cbtLastLcn} + 1;
    if (geometry.cbtLastLcn >= geometry.cbtFirstLcn) {
        builder.Claim(builder.AddStream(DataStream(L"\\System Volume Information\\$CBT"),
                                        OwnerFlags::kDenyDefrag | OwnerFlags::kData),
                      geometry.cbtFirstLcn, cbtEnd);
    }
    const std::size_t database = builder.AddStream(DataStream(L"\\Data\\sales.mdf"), OwnerFlags::kData);
    claimBlocks(database, plan.regions.hot);

    const std::uint64_t logFirst = firstCluster(plan.regions.log.first);
    const std::uint64_t logEnd = firstCluster(plan.regions.log.End());
    const std::uint64_t logFiles = std::min(kLogFiles, logEnd - logFirst);
    for (std::uint64_t day = 0; day < logFiles; ++day) {
        const std::size_t log = builder.AddStream(
            DataStream(L"\\Data\\Logs\\app-2026-12-" + TwoDigits(day + 1) + L".log"), OwnerFlags::kData);
        const std::uint64_t length = logEnd - logFirst;
        builder.Claim(log, logFirst + length * day / logFiles, logFirst + length * (day + 1) / logFiles);
    }

    std::uint64_t backupsEnd = 0;
    for (std::size_t i = 0; i < plan.regions.copyTargets.size(); ++i) {
        const BlockRange target = plan.regions.copyTargets[i];
        claimBlocks(builder.AddStream(DataStream(L"\\Backups\\copy-" + TwoDigits(i + 1) + L".bak"), OwnerFlags::kData),
                    target);
        backupsEnd = std::max(backupsEnd, firstCluster(target.End()));
    }

    // The file system's own files, from cluster 0 on.
    const std::uint64_t mftClusters = builder.ClustersFor(std::max(kMinMftBytes, plan.volumeBytes / kMftVolumeDivisor));
    const std::uint64_t mftFirstPart = mftClusters - mftClusters / 4;
    const std::size_t mft = builder.AddStream(DataStream(L"\\$MFT"), kSystemData);
    std::uint64_t at = builder.Allocate(builder.AddStream(DataStream(L"\\$Boot"), kSystemData), builder.ClustersFor(8 * kKiB), 0);
    at = builder.Allocate(mft, mftFirstPart, at);
    at = builder.Allocate(builder.AddStream(L"\\$MFT::$BITMAP", OwnerFlags::kFsSystemFile | OwnerFlags::kSystem),
                          builder.ClustersFor(mftClusters * bytesPerCluster / kMftRecordBytes / 8), at);
    at = builder.Allocate(builder.AddStream(DataStream(L"\\$MFTMirr"), kSystemData), builder.ClustersFor(4 * kKiB), at);
    at = builder.Allocate(builder.AddStream(DataStream(L"\\$LogFile"), kSystemData),
                          builder.AtMostShare(builder.ClustersFor(64 * kMiB), 64), at);
    at = builder.Allocate(builder.AddStream(DataStream(L"\\$Bitmap"), kSystemData),
                          builder.ClustersFor((clusterCount_ + 7) / 8), at);
    at = builder.Allocate(builder.AddStream(L"\\$Secure:$SDS:$DATA", kSystemData),
                          builder.AtMostShare(builder.ClustersFor(1 * kMiB), 256), at);
    at = builder.Allocate(builder.AddStream(IndexStream(L"\\$Extend"), OwnerFlags::kFsSystemFile | OwnerFlags::kIndex), 1, at);
    at = builder.Allocate(builder.AddStream(L"\\$Extend\\$UsnJrnl:$J:$DATA", kSystemData),
                          builder.AtMostShare(builder.ClustersFor(32 * kMiB), 128), at);
    at = builder.Allocate(builder.AddStream(DataStream(L"\\$Extend\\$RmMetadata\\$TxfLog\\$TxfLog.blf"), kTxfData),
                          builder.ClustersFor(64 * kKiB), at);
    builder.Allocate(
        builder.AddStream(DataStream(L"\\$Extend\\$RmMetadata\\$TxfLog\\$TxfLogContainer00000000000000000001"), kTxfData),
        builder.AtMostShare(builder.ClustersFor(10 * kMiB), 256), at);
    builder.Allocate(mft, mftClusters - mftFirstPart, clusterCount_ / kMftZoneDivisor);

    // What grew beside the workload's files: their folders' indexes, the
    // database's colder second extent, past the logs.
    builder.Allocate(builder.AddStream(IndexStream(L"\\System Volume Information"), OwnerFlags::kIndex), 1, cbtEnd);
    builder.Allocate(builder.AddStream(IndexStream(L"\\Data"), OwnerFlags::kIndex), 1, firstCluster(plan.regions.hot.End()));
    builder.Allocate(database, (firstCluster(plan.regions.hot.End()) - firstCluster(plan.regions.hot.first)) / 2, logEnd);
    builder.Allocate(builder.AddStream(IndexStream(L"\\Data\\Logs"), OwnerFlags::kIndex), 1, logEnd);
    if (!plan.regions.copyTargets.empty())
        builder.Allocate(builder.AddStream(IndexStream(L"\\Backups"), OwnerFlags::kIndex), 1, backupsEnd);

    builder.Allocate(builder.AddStream(DataStream(L"\\pagefile.sys"), OwnerFlags::kPageFile | OwnerFlags::kData),
                     builder.AtMostShare(builder.ClustersFor(kPageFileBytes), kPageFileShareDivisor),
                     clusterCount_ / 16 * kPageFileStartSixteenths);

    builder.FillWithOrdinaryFiles();
    builder.Finish(streams_, extents_);
}

const LayoutStream* FileLayout::OwnerOf(std::uint64_t cluster) const
{
    auto after = std::upper_bound(extents_.begin(), extents_.end(), cluster,
                                  [](std::uint64_t value, const LayoutExtent& extent) { return value < extent.first; });
    if (after == extents_.begin())
        return nullptr;
    const LayoutExtent& extent = *std::prev(after);
    return cluster < extent.End() ? &streams_[extent.stream] : nullptr;
}

void FileLayout::OwnersOf(std::span<const std::uint64_t> clusters, std::vector<ClusterOwner>& owners) const
{
    owners.clear();
    for (std::uint64_t cluster : clusters)
        if (const LayoutStream* stream = OwnerOf(cluster))
            owners.push_back({cluster, stream->flags, stream->name});
}

} // namespace trackkit
