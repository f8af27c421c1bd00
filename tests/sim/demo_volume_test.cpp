// The demo's volumes: the write workload and its session, the file layout the lookup answers from, the plain texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>

#include "changes/changed_files_way.h"
#include "sim/file_layout.h"
#include "sim/live_volume_driver.h"
#include "sim/plain_locale_text.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kBlock = 65536, kGiB = 1ULL << 30, kTiB = 1ULL << 40, kStartFileTime = 133'500'000'000'000'000ULL;

WriteWorkload Workload(std::uint64_t volumeBytes, std::uint64_t seed)
{
    return WriteWorkload({.volumeBytes = volumeBytes, .seed = seed, .sessionStartFileTime = kStartFileTime});
}

std::uint64_t SetBits(std::span<const std::uint8_t> bitmap)
{
    return std::accumulate(bitmap.begin(), bitmap.end(), 0ull, [](auto sum, std::uint8_t byte) { return sum + std::popcount(byte); });
}

TEST(DemoVolumeTest, LiveGeometryCoversTheVolumeAndHoldsTheBitmapInCbt)
{
    for (const std::uint64_t size : {kBlock, 1001 * kBlock + 1, 64 * kGiB, 2 * kTiB, 20 * kTiB, 300 * kTiB}) {
        SCOPED_TRACE(size);
        const TrackingGeometry g = LiveGeometry(size, kDefaultBytesPerBlock);
        const std::uint64_t bytesPerCluster = std::uint64_t{g.clusterFactor1} * g.clusterFactor2, clusters = size / bytesPerCluster;
        EXPECT_EQ(g.blockCount, (size + g.bytesPerBlock - 1) / g.bytesPerBlock);
        EXPECT_TRUE(clusters <= 0xFFFFFFFFu && g.cbtFirstLcn <= g.cbtLastLcn && g.cbtLastLcn < clusters);
        EXPECT_GE((g.cbtLastLcn - g.cbtFirstLcn + 1ULL) * bytesPerCluster, SessionBitmapLength(g.blockCount));
    }
    EXPECT_EQ(LiveGeometry(kGiB, 0).bytesPerBlock, kDefaultBytesPerBlock);
    EXPECT_TRUE(FileLayout({.volumeBytes = kGiB, .geometry = {512, 8, 1000, 0, 0, 0}, .regions = {}}).Streams().empty());
    EXPECT_TRUE(FileLayout({.volumeBytes = kGiB, .geometry = {0, 8, 1000, 65536, 0, 0}, .regions = {}}).Extents().empty());
}

// Over a few seeds, on tiny volumes (every region squeezed into a few blocks, unused bits in the bitmap's
// last byte) and on an ordinary one.
TEST(DemoVolumeTest, WorkloadLayoutAndStatisticsStaySoundOverSeeds)
{
    for (const std::uint64_t size : {13 * kBlock, 1001 * kBlock + 1, 64 * kGiB})
        for (const std::uint64_t seed : {1, 2, 3}) {
            SCOPED_TRACE(::testing::Message() << size << " bytes, seed " << seed);
            WriteWorkload workload = Workload(size, seed), polled = Workload(size, seed);
            const TrackingGeometry& geometry = workload.Geometry();

            // Each cluster belongs to one stream at most, and every stream has clusters.
            const FileLayout layout(FileLayoutPlanFor(workload));
            std::vector<bool> hasExtent(layout.Streams().size());
            std::uint64_t end = 0;
            for (const LayoutExtent& extent : layout.Extents()) {
                ASSERT_TRUE(extent.count > 0 && extent.first >= end && extent.stream < hasExtent.size());
                end = extent.End();
                hasExtent[extent.stream] = true;
            }
            EXPECT_LE(end, layout.ClusterCount());
            EXPECT_EQ(std::ranges::count(hasExtent, false), 0);

            // As time passes the bitmap stays inside the volume and off $CBT, the counters describe it, and it is
            // a function of the seed and the time alone, however the polls slice the time.
            const std::uint8_t unusedBits = geometry.blockCount % 8 ? static_cast<std::uint8_t>(0xFF << geometry.blockCount % 8) : 0;
            for (auto t = 30s; t <= 20min; t += 30s) {
                workload.AdvanceTo(t);
                for (auto poll = t - 30s + 250ms; poll <= t; poll += 250ms)
                    polled.AdvanceTo(poll);
                const TrackingInfo& info = workload.Statistics();
                const std::span<const std::uint8_t> bitmap = workload.Bitmap();
                ASSERT_EQ(bitmap.size(), SessionBitmapLength(geometry.blockCount));
                ASSERT_EQ(bitmap.back() & unusedBits, 0);
                for (std::uint64_t block = workload.Layout().cbt.first; block < workload.Layout().cbt.End(); ++block)
                    ASSERT_EQ(bitmap[block / 8] >> (block % 8) & 1u, 0u) << "$CBT block " << block;
                ASSERT_EQ(std::make_tuple(info.changedBlocks, info.changedBytes, info.writesConsidered, info.writesSeen),
                          std::make_tuple(SetBits(bitmap), SetBits(bitmap) * kDefaultBytesPerBlock,
                                          workload.Counts().Total() + info.excludedWrites, info.writesConsidered + info.failedWrites));
                ASSERT_TRUE(std::ranges::equal(bitmap, polled.Bitmap()));
            }
            workload.AdvanceTo(1min);  // time does not run backwards
            EXPECT_TRUE(std::ranges::equal(workload.Bitmap(), polled.Bitmap()));
            if (size != 64 * kGiB)
                continue;
            const TrackingInfo& last = workload.Statistics();
            EXPECT_TRUE(last.excludedWrites > 0 && last.queuedWrites > 0 && last.trimBytes > 0) << "rows with nothing to show";
            for (std::uint64_t cluster = geometry.cbtFirstLcn - 1; cluster <= geometry.cbtLastLcn + 1; ++cluster)
                EXPECT_EQ(layout.OwnerOf(cluster) && layout.OwnerOf(cluster)->name == L"\\System Volume Information\\$CBT::$DATA",
                          cluster >= geometry.cbtFirstLcn && cluster <= geometry.cbtLastLcn) << "only $CBT's clusters name it: " << cluster;
        }
}

// A demo opens on a workload four hours old and polls it every second. On the map of the default window,
// 7,000 cells or more, some cell must change its shade (quarters of its blocks changed, rounded up) within a
// few seconds however long it watches, and the map must not fill up.
TEST(DemoVolumeTest, TheDefaultMapChangesShadeEveryFewSecondsAndNeverFillsUp)
{
    for (const std::uint64_t size : {64 * kGiB, 256 * kGiB}) {
        SCOPED_TRACE(size);
        WriteWorkload workload = Workload(size, 9);
        const std::uint32_t blockCount = workload.Geometry().blockCount;
        const std::size_t cellBytes = (blockCount / 7000 + 63) / 64 * 8, cellBits = 8 * cellBytes;  // whole 64-bit words
        const auto shades = [&] {
            const auto bitmap = workload.Bitmap();
            std::vector<std::uint64_t> levels;
            for (std::size_t at = 0; at < bitmap.size(); at += cellBytes)
                levels.push_back((4 * SetBits(bitmap.subspan(at, std::min(cellBytes, bitmap.size() - at))) + cellBits - 1) / cellBits);
            return levels;
        };
        workload.AdvanceTo(4h);
        EXPECT_GE(workload.SessionsStarted(), 2u);
        std::vector<std::uint64_t> levels = shades();
        int stillFor = 0;
        for (auto t = 4h + 1s; t <= 4h + 10min; t += 1s) {
            workload.AdvanceTo(t);
            const std::vector<std::uint64_t> previous = std::exchange(levels, shades());
            stillFor = previous == levels ? stillFor + 1 : 0;
            ASSERT_LE(stillFor, 3) << "at " << t.count() << " s";
            ASSERT_LT(workload.Statistics().changedBlocks, blockCount * 61 / 100);
        }
    }
}

TEST(DemoVolumeTest, AFilledMapStartsANewSessionFromZeroAtThatMoment)
{
    WriteWorkload workload = Workload(1003 * kBlock, 2);
    while (workload.SessionsStarted() == 1 && workload.StepsRun() < 200'000)
        workload.AdvanceTo(WriteWorkload::kStep * (workload.StepsRun() + 1));
    ASSERT_EQ(workload.SessionsStarted(), 2u);
    const TrackingInfo& info = workload.Statistics();
    EXPECT_EQ(std::make_tuple(info.sessionStartFileTime, info.changedBlocks, info.writesSeen),
              std::make_tuple(kStartFileTime + workload.StepsRun() * 500'000 /* 50 ms steps */, SetBits(workload.Bitmap()), 0ull));
    EXPECT_LT(info.changedBlocks, (1003 - workload.Layout().cbt.count) * 6 / 10);
}

// The demo's volume read raw is an NTFS volume whose file table holds the layout: the file table's pass finds
// what the cluster lookup finds, file for file, on a busy session's bitmap.
TEST(DemoVolumeTest, TheRawVolumeHoldsTheLayoutsFileTableAndThePassAgreesWithTheLookup)
{
    ManualClock clock;
    LiveVolumeDriver driver([](std::wstring_view) { return std::optional<std::uint64_t>(64 * kGiB); }, clock, kStartFileTime, 4h);
    OpenVolumeResult opened = driver.OpenVolume(L"\\\\.\\C:");
    ASSERT_TRUE(opened.volume);
    TrackedVolume& volume = *opened.volume;
    std::array<std::uint8_t, kTrackingGeometryLength> record{};
    ASSERT_TRUE(volume.QueryGeometry(record).succeeded);
    const TrackingGeometry g = DecodeTrackingGeometry(record).value();
    std::vector<std::uint8_t> bitmap(SessionBitmapLength(g.blockCount));
    ASSERT_TRUE(volume.QuerySessionBitmap(bitmap).succeeded);
    const ChangedFilesGeometry geometry{g.blockCount, g.bytesPerBlock, g.clusterFactor1 * g.clusterFactor2, 64 * kGiB};

    const ChangedFilesReport pass = FindChangedFilesEitherWay(volume, geometry, bitmap, {}, {});
    const ChangedFilesReport lookup = FindChangedFiles(volume, geometry, bitmap, {});
    ASSERT_EQ(std::pair(pass.way, lookup.way), std::pair(ChangedFilesWay::FileTable, ChangedFilesWay::ClusterLookup));
    EXPECT_EQ(std::tuple(pass.recordsUnsound, pass.recordsUnreadable, pass.answeredBytes, pass.fileBytes),
              std::tuple(std::uint64_t{0}, std::uint64_t{0}, lookup.answeredBytes, lookup.fileBytes));
    ASSERT_EQ(pass.files.size(), lookup.files.size());
    for (std::size_t i = 0; i < pass.files.size(); ++i)
        EXPECT_EQ(std::tuple(pass.files[i].path, pass.files[i].changedBytes, pass.files[i].blocks),
                  std::tuple(lookup.files[i].path, lookup.files[i].changedBytes, lookup.files[i].blocks)) << i;
}

TEST(PlainLocaleTextTest, DatesTimesAndByteSizesOfThreeSignificantDigits)
{
    PlainLocaleText locale;
    const auto stamp = [&](std::uint64_t fileTime) { return *locale.LocalShortDate(fileTime) + L" " + *locale.LocalTime(fileTime); };
    EXPECT_EQ(stamp(133'536'879'070'000'000ull) + L", " + stamp(0), L"2024-02-29 13:45:07, 1601-01-01 00:00:00");  // a leap day
    EXPECT_FALSE(locale.LocalShortDate(0x8000000000000000ull) || locale.LocalTime(0xFFFFFFFFFFFFFFFFull));
    const std::pair<std::int64_t, const wchar_t*> sizes[] = {{0, L"0 bytes"}, {1023, L"1023 bytes"}, {1024, L"1.00 KB"},
        {1536, L"1.50 KB"}, {999'999, L"976 KB"}, {12'900'000, L"12.3 MB"}, {1'610'612'736, L"1.50 GB"},
        {-5, L"-5 bytes"}, {INT64_MAX, L"7.99 EB"}};
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(FormatByteSizeText(bytes), text) << bytes;
}

} // namespace
} // namespace trackkit
