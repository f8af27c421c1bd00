#include "changes/changed_files_layout.h"

#include <algorithm>

namespace trackkit {

ChangedFilesLayout LayOutChangedFiles(int clientWidth, int clientHeight, const ChangedFilesMetrics& metrics)
{
    const int m = metrics.margin;
    const int width = std::max(0, clientWidth - 2 * m);
    const int buttonsTop = std::max(m, clientHeight - m - metrics.buttonHeight);
    const int statusTop = std::max(m, buttonsTop - metrics.gap - metrics.statusHeight);
    const int tableTop = m + metrics.lineHeight + metrics.gap;

    ChangedFilesLayout layout;
    layout.summary = Rect::FromSize(m, m, width, metrics.lineHeight);
    layout.table = {m, tableTop, m + width, std::max(tableTop, statusTop - metrics.gap)};
    layout.status = Rect::FromSize(m, statusTop, width, metrics.statusHeight);
    const int cancelLeft = std::max(m, clientWidth - m - metrics.buttonWidth);
    const int saveLeft = std::max(m, cancelLeft - metrics.gap - metrics.buttonWidth);
    layout.cancel = Rect::FromSize(cancelLeft, buttonsTop, metrics.buttonWidth, metrics.buttonHeight);
    layout.saveAs = Rect::FromSize(saveLeft, buttonsTop, metrics.buttonWidth, metrics.buttonHeight);
    layout.progress = {m, buttonsTop, std::max(m, saveLeft - metrics.gap), buttonsTop + metrics.buttonHeight};
    return layout;
}

int PathColumnWidth(int tableClientWidth, int otherColumnsWidth, int minimum)
{
    return std::max(minimum, tableClientWidth - otherColumnsWidth);
}

} // namespace trackkit
