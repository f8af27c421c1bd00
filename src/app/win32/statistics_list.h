#pragma once

#include <windows.h>

#include "app/frame_layout.h"
#include "tracking/statistics.h"

namespace trackkit {

// The frame's list of 18 statistics rows: "Description" and "Value", the
// driver's version in row 0 and the initial values in the others; the
// Value column takes the room whenever the list changes size.
HWND CreateStatisticsList(HWND parent, HINSTANCE instance, const FrameMetrics& metrics);

// The list's "Value" column, as the poller's reports fill it.
class StatisticsListRows final : public StatisticsRows {
public:
    explicit StatisticsListRows(HWND list) : list_(list) {}
    void SetValueText(int row, std::wstring_view text) override;

private:
    HWND list_;
};

} // namespace trackkit
