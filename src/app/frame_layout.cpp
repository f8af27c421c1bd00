#include "app/frame_layout.h"

#include <algorithm>

#include "common/dpi.h"

namespace trackkit {
namespace {

constexpr int kVolumeListWidth = 280;
constexpr int kPaneExtent = 340;
constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 280;

// A size is usable when the system is not asked to choose and it fits on the
// desktop a few times over; anything else is a corrupt or foreign value.
bool UsableExtent(int extent, int screenExtent)
{
    return extent > 0 && (screenExtent <= 0 || extent <= 4 * screenExtent);
}

constexpr int kLabelMargin = 16;
constexpr int kSmallestDescription = 100;

// Whether some of the title bar, the frame's top rows across its width, lies
// on the virtual screen. A width the system will choose counts from `left`.
bool TitleBarReachable(const FramePlacement& stored, bool usableWidth, const FramePlacement& screen)
{
    if (screen.width <= 0 || screen.height <= 0)
        return stored.left != kSystemChoosesPosition && stored.top != kSystemChoosesPosition;
    const long long left = stored.left;
    const long long right = left + (usableWidth ? stored.width : 1);
    const long long screenRight = static_cast<long long>(screen.left) + screen.width;
    const long long screenBottom = static_cast<long long>(screen.top) + screen.height;
    return left < screenRight && right > screen.left && stored.top >= screen.top && stored.top < screenBottom;
}

} // namespace

FrameMetrics ComputeFrameMetrics(int dpiX, int dpiY)
{
    FrameMetrics metrics;
    metrics.volumeListWidth = ScaleForDpi(kVolumeListWidth, dpiX);
    metrics.paneExtent = ScaleForDpi(kPaneExtent, dpiX);
    metrics.descriptionColumn = 2 * metrics.volumeListWidth;
    metrics.valueColumn = metrics.volumeListWidth / 2;
    metrics.minimumTrackWidth = ScaleForDpi(kMinimumWidth, dpiX);
    metrics.minimumTrackHeight = ScaleForDpi(kMinimumHeight, dpiY);
    return metrics;
}

SplitterPlacement PlaceOuterSplitter(int clientWidth, int clientHeight, int statusBarHeight)
{
    return {clientWidth, clientHeight - statusBarHeight};
}

FramePlacement SanitizeFramePlacement(FramePlacement stored, FramePlacement virtualScreen)
{
    FramePlacement placement = stored;
    const bool usableSize =
        UsableExtent(stored.width, virtualScreen.width) && UsableExtent(stored.height, virtualScreen.height);
    if (!TitleBarReachable(stored, usableSize, virtualScreen)) {
        placement.left = kSystemChoosesPosition;
        placement.top = kSystemChoosesPosition;
    }
    if (!usableSize) {
        placement.width = kSystemChoosesPosition;
        placement.height = kSystemChoosesPosition;
    }
    return placement;
}

StatisticsColumns FitStatisticsColumns(int listWidth, int longestLabelWidth, int dpiX)
{
    const FrameMetrics metrics = ComputeFrameMetrics(dpiX, dpiX);
    const int labelFit = std::min(longestLabelWidth + ScaleForDpi(kLabelMargin, dpiX), metrics.descriptionColumn);
    const int roomBesideValue = std::max(listWidth - metrics.valueColumn, ScaleForDpi(kSmallestDescription, dpiX));
    StatisticsColumns columns;
    columns.description = std::min(labelFit, roomBesideValue);
    columns.value = std::max(listWidth - columns.description, metrics.valueColumn);
    return columns;
}

} // namespace trackkit
