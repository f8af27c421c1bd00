#include "tracelog/trace_dialog_layout.h"

#include <algorithm>

#include "common/dpi.h"

namespace trackkit {

TraceDialogLayout LayoutTraceDialog(int margin, int tableTop, int clientWidth, int clientHeight, int dpiY)
{
    const int width = std::max(0, clientWidth - 2 * margin);
    const int panelHeight = ScaleForDpi(kFlagsPanelHeight, dpiY);
    const int statusHeight = ScaleForDpi(kStatusLineHeight, dpiY);
    TraceDialogLayout layout;
    layout.panel = Rect::FromSize(margin, clientHeight - margin - panelHeight, width, panelHeight);
    layout.status = Rect::FromSize(margin, layout.panel.top - margin - statusHeight, width, statusHeight);
    layout.table = Rect::FromSize(margin, tableTop, width, std::max(0, layout.status.top - margin - tableTop));
    return layout;
}

std::size_t CenteredTopRow(std::size_t row, std::size_t rowsPerPage, std::size_t rowCount)
{
    const std::size_t lastTop = rowCount > rowsPerPage ? rowCount - rowsPerPage : 0;
    return std::min(row > rowsPerPage / 2 ? row - rowsPerPage / 2 : 0, lastTop);
}

ClientSize MinimumTraceDialogClient(int margin, int tableTop, int topControlsRight, int dpiY)
{
    return {topControlsRight + margin, tableTop + 3 * margin + ScaleForDpi(kFlagsPanelHeight, dpiY) +
                                           ScaleForDpi(kStatusLineHeight, dpiY) + ScaleForDpi(kMinimumTableHeight, dpiY)};
}

} // namespace trackkit
