// The program's cluster lookup against the simulated file system: the
// request it builds for a block-map cell, the simulation's reply and the
// program's reading of it agree, though each side was written on its own
// from the published records.
#include <gtest/gtest.h>

#include "sim/simulated_driver.h"
#include "tracking/cluster_lookup.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::wstring_view kDriveE = L"\\\\.\\E:";

TEST(LookupRoundTrip, ScriptedStreamsAreListedSortedWhateverTheFirstBufferSize)
{
    SimulatedDriver driver;
    ScriptedSource& source = driver.AddScriptedVolume(kDriveE, {512, 8, 64, 65536, 40, 40});
    source.SetLookupEntries({{900, 0x01000002, L"\\a.txt::$DATA"},
                             {100, 0x03000005, L"\\pagefile.sys::$DATA"},
                             {500, 0x01000000, L"\\Data\\sales.mdf::$DATA"}});
    auto volume = driver.OpenVolume(kDriveE).volume;
    ASSERT_NE(volume, nullptr);

    for (const std::size_t firstLength : {std::size_t{16}, std::size_t{100}, kLookupReplyFirstLength}) {
        SCOPED_TRACE(firstLength);
        const ClusterLookupResult result = LookUpCell(*volume, {8, 4, 64, 65536, 4096}, {firstLength, 1024 * 1024});
        ASSERT_EQ(result.outcome, LookupOutcome::Listed);
        EXPECT_EQ(result.title, L"Clusters 100 to 900 (3)");
        ASSERT_EQ(result.entries.size(), 3u);
        EXPECT_EQ(result.entries[0].fileName, L"\\pagefile.sys::$DATA");
        EXPECT_EQ(FlagWords(result.entries[0].flags), L"PageFile| FsSys| System");
        EXPECT_EQ(result.entries[2].fileName, L"\\a.txt::$DATA");
    }
    EXPECT_EQ(source.LastLookupClusters(), (std::vector<std::uint64_t>{128, 144, 160, 176}));

    source.SetLookupEntries({});
    EXPECT_EQ(LookUpCell(*volume, {8, 4, 64, 65536, 4096}).outcome, LookupOutcome::Notice);
    source.SetLookupError(2);
    EXPECT_EQ(LookUpCell(*volume, {8, 4, 64, 65536, 4096}).outcome, LookupOutcome::Notice);
}

TEST(LookupRoundTrip, ABusyCellOfTheDemoNamesTheFileBeingWritten)
{
    ManualClock clock;
    SimulatedDriver driver;
    WorkloadConfig config;
    config.volumeBytes = 64ULL << 30;
    config.seed = 21;
    LiveSource& live = driver.AddLiveVolume(kDriveE, config, clock);
    auto volume = driver.OpenVolume(kDriveE).volume;
    ASSERT_NE(volume, nullptr);
    clock.Advance(1min);

    const WriteWorkload& workload = live.Workload();
    const TrackingGeometry geometry = workload.Geometry();
    const std::uint32_t bytesPerCluster = geometry.clusterFactor1 * geometry.clusterFactor2;
    const ClusterLookupCell hotCell{workload.Layout().hot.first, 4, geometry.blockCount, geometry.bytesPerBlock,
                                    bytesPerCluster};
    const ClusterLookupResult result = LookUpCell(*volume, hotCell);
    ASSERT_EQ(result.outcome, LookupOutcome::Listed);
    ASSERT_FALSE(result.entries.empty());
    EXPECT_EQ(result.entries.front().fileName, L"\\Data\\sales.mdf::$DATA");
}

} // namespace
} // namespace trackkit
