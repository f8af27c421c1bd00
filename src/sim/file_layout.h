#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/lookup_reply_encoder.h"
#include "sim/write_workload.h"
#include "tracking/driver_contract.h"

namespace trackkit {

// What a simulated volume's file layout is built from: the volume's size and
// geometry, where its workload writes, and a seed for everything else.
struct FileLayoutPlan {
    std::uint64_t volumeBytes = 0;
    TrackingGeometry geometry;
    WorkloadLayout regions;
    std::uint64_t seed = 1;
};

// The plan that puts files where the workload writes.
FileLayoutPlan FileLayoutPlanFor(const WriteWorkload& workload);

// One stream of the layout, named as the file system's cluster lookup names
// it: the path from the volume's root, then the stream name and the attribute
// type ("\Data\sales.mdf::$DATA", "\Data:$I30:$INDEX_ALLOCATION").
struct LayoutStream {
    std::wstring name;
    std::uint32_t flags = 0;  // OwnerFlags
};

// Clusters [first, first + count) belong to Streams()[stream].
struct LayoutExtent {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    std::size_t stream = 0;

    std::uint64_t End() const { return first + count; }
};

// Which stream owns each cluster of a simulated NTFS volume: a layout that
// is a function of its plan alone, the same on every run and every build.
//
// - The file system's own files fill the first clusters ($Boot at cluster 0,
//   then $MFT, $MFTMirr, $LogFile, $Bitmap and a few more); the MFT has a
//   second extent further in, where it grew.
// - The workload's regions hold the files it writes: $CBT (deny-defrag) on
//   the geometry's $CBT clusters, "\Data\sales.mdf" on the hot region (and a
//   second, colder extent), five daily logs "\Data\Logs\app-2026-12-0N.log"
//   splitting the log region in order, and "\Backups\copy-NN.bak" on each of
//   the copies' targets. Where regions overlap (tiny volumes) the earlier in
//   that list keeps the clusters.
// - "\pagefile.sys", a two-thousandth of the volume (up to 4 GiB), sits from
//   about five sixteenths in; the sweep passes over it like any file, and it
//   stays smaller than a daily log. Directories' index
//   allocations and ordinary files, some of them fragmented, fill the rest
//   with free gaps between them, where no stream is found.
//
// A volume without geometry (bytes per block or per cluster 0) has no streams.
class FileLayout {
public:
    explicit FileLayout(const FileLayoutPlan& plan);

    // Clusters of the volume: volume bytes / bytes per cluster.
    std::uint64_t ClusterCount() const { return clusterCount_; }
    std::span<const LayoutStream> Streams() const { return streams_; }
    // Ascending, disjoint, none empty, all below ClusterCount().
    std::span<const LayoutExtent> Extents() const { return extents_; }

    // The stream owning a cluster, or null for free space and clusters past
    // the end of the volume.
    const LayoutStream* OwnerOf(std::uint64_t cluster) const;

    // The reply's entries for a lookup of these clusters, as NTFS gives them:
    // one per cluster asked about that a stream owns, in the request's order,
    // carrying that cluster. Free clusters add nothing.
    void OwnersOf(std::span<const std::uint64_t> clusters, std::vector<ClusterOwner>& owners) const;

private:
    std::uint64_t clusterCount_ = 0;
    std::vector<LayoutStream> streams_;
    std::vector<LayoutExtent> extents_;
};

} // namespace trackkit
