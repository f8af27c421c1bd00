#include "tracelog/trace_dialog_layout.h"

#include <algorithm>

#include "common/dpi.h"

namespace trackkit {

TraceDialogLayout LayoutTraceDialog(int margin, int tableTop, int clientWidth, int clientHeight, int dpiY)
{
    const int width = std::max(0, clientWidth - 2 * margin);
    const int panelHeight = ScaleForDpi(kFlagsPanelHeight, dpiY);
    TraceDialogLayout layout;
    layout.table = Rect::FromSize(margin, tableTop, width, std::max(0, clientHeight - tableTop - 2 * margin - panelHeight));
    layout.panel = Rect::FromSize(margin, clientHeight - margin - panelHeight, width, panelHeight);
    return layout;
}

ClientSize MinimumTraceDialogClient(int margin, int tableTop, int topControlsRight, int dpiY)
{
    return {topControlsRight + margin,
            tableTop + 2 * margin + ScaleForDpi(kFlagsPanelHeight, dpiY) + ScaleForDpi(kMinimumTableHeight, dpiY)};
}

} // namespace trackkit
