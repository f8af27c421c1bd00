#include "shell/frame_layout.h"

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

bool UsablePosition(int position, int screenExtent)
{
    return position >= 0 && (screenExtent <= 0 || position < screenExtent);
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

FramePlacement SanitizeFramePlacement(FramePlacement stored, int virtualScreenWidth, int virtualScreenHeight)
{
    FramePlacement placement = stored;
    if (!UsablePosition(stored.left, virtualScreenWidth) || !UsablePosition(stored.top, virtualScreenHeight)) {
        placement.left = kSystemChoosesPosition;
        placement.top = kSystemChoosesPosition;
    }
    if (!UsableExtent(stored.width, virtualScreenWidth) || !UsableExtent(stored.height, virtualScreenHeight)) {
        placement.width = kSystemChoosesPosition;
        placement.height = kSystemChoosesPosition;
    }
    return placement;
}

} // namespace trackkit
