#include "tracelog/trace_dialog_layout.h"

#include <algorithm>

#include "common/dpi.h"

namespace trackkit {

TraceDialogLayout LayoutTraceDialog(int margin, int tableTop, int clientWidth, int clientHeight)
{
    const int width = std::max(0, clientWidth - 2 * margin);
    TraceDialogLayout layout;
    layout.table = {margin, tableTop, width, std::max(0, clientHeight - tableTop - 2 * margin - kFlagsPanelHeight)};
    layout.panel = {margin, clientHeight - margin - kFlagsPanelHeight, width, kFlagsPanelHeight};
    return layout;
}

ClientSize MinimumTraceDialogClient(int margin, int tableTop, int topControlsRight, int dpiY)
{
    return {topControlsRight + margin,
            tableTop + 2 * margin + kFlagsPanelHeight + ScaleForDpi(kMinimumTableHeight, dpiY)};
}

} // namespace trackkit
