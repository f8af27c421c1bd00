// A console run of the tracking core against the simulated driver: a busy
// 2 TiB volume is polled a few times, with simulated time passing between the
// polls; each poll prints the statistics rows and the last one's block map is
// written as a BMP file.

#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "blockmap/view_state.h"
#include "common/bmp_file.h"
#include "sim/clock.h"
#include "sim/plain_locale_text.h"
#include "sim/simulated_driver.h"
#include "tracking/poller.h"

namespace trackkit {
namespace {

constexpr wchar_t kDemoVolume[] = L"\\\\.\\D:";
constexpr std::uint64_t kDemoVolumeBytes = 2ull << 40;
constexpr int kPolls = 6;
constexpr auto kSimulatedTimeBetweenPolls = std::chrono::minutes(20);
constexpr int kMapWidth = 960;
constexpr int kMapHeight = 540;

constexpr ColorRef kFaceColor = MakeColorRef(240, 240, 240);
constexpr ColorRef kBlockColor = MakeColorRef(0, 120, 215);
constexpr ColorRef kBackgroundColor = MakeColorRef(255, 255, 255);

struct ConsoleRows final : StatisticsRows {
    std::vector<std::wstring> values = std::vector<std::wstring>(kStatisticsRowCount);
    void SetValueText(int row, std::wstring_view text) override { values.at(static_cast<std::size_t>(row)) = text; }
};

struct IdleTimer final : PollTimer {
    void Start(std::uint32_t) override {}
    void Stop() override {}
};

struct StderrDebugLog final : DebugLog {
    void Write(std::wstring_view line) override { std::fwprintf(stderr, L"%ls", std::wstring(line).c_str()); }
};

struct NoPane final : PaneRepaint {
    void Invalidate(bool) override {}
};

void PrintRows(const ConsoleRows& rows, int poll)
{
    std::wprintf(L"\n--- poll %d ---\n", poll);
    for (int row = kFirstStatisticsRow; row <= kLastStatisticsRow; ++row)
        std::wprintf(L"%-32ls %ls\n", std::wstring(StatisticsRowAt(row).label).c_str(),
                     rows.values[static_cast<std::size_t>(row)].c_str());
}

bool WriteMap(const TrackViewState& view, const std::string& path)
{
    std::vector<Pixel> pixels(static_cast<std::size_t>(kMapWidth) * (kMapHeight + 1));
    const PixelBuffer target{pixels.data(), kMapWidth, kMapHeight + 1, kMapWidth};
    const BlockMapLayout layout = PaintBlockMap(PictureOf(view, kMapWidth, kMapHeight, kBackgroundColor), target);
    std::wprintf(L"\nblock map: %d x %d cells, %u blocks per cell\n", layout.Columns(), layout.Rows(), layout.blocksPerCell);
    return WriteBmpFile(path, pixels.data(), kMapWidth, kMapHeight, kMapWidth);
}

int RunDemo(const std::string& mapPath)
{
    ManualClock clock;
    SimulatedDriver driver;
    const auto start = FileTimeFromSystemTime(std::chrono::system_clock::now());
    driver.AddLiveVolume(kDemoVolume, WorkloadConfig{kDemoVolumeBytes, 64 * 1024, 7, start}, clock);

    ConsoleRows rows;
    PlainLocaleText locale;
    IdleTimer timer;
    StderrDebugLog debug;
    NoPane pane;
    PollerHost host{driver, timer, pane};
    const auto show = [&](const PollReport& report) {
        ShowStatistics(report, rows, locale);
        WriteDebugLines(report, debug);
    };

    TrackViewState view;
    view.blockSize = 2;
    view.faceColor = kFaceColor;
    view.blockColor = kBlockColor;
    TrackingSession& session = view.session;
    show(OpenTrackedVolume(&session, kDemoVolume, host));
    PrintRows(rows, 0);
    for (int poll = 1; poll < kPolls; ++poll) {
        clock.Advance(kSimulatedTimeBetweenPolls);
        show(PollTracking(&session, host));
        PrintRows(rows, poll);
    }
    if (!WriteMap(view, mapPath)) {
        std::fprintf(stderr, "cannot write %s\n", mapPath.c_str());
        return 1;
    }
    std::printf("block map written to %s\n", mapPath.c_str());
    return 0;
}

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    // Wide output needs a character set that has the micro sign.
    if (std::setlocale(LC_ALL, "") == nullptr || std::setlocale(LC_CTYPE, nullptr) == std::string("C"))
        std::setlocale(LC_ALL, "C.UTF-8");
    return trackkit::RunDemo(argc > 1 ? argv[1] : "block-map.bmp");
}
