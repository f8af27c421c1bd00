#pragma once

namespace trackkit {

// Lengths of the main frame at the screen's DPI. A length of n pixels at 96
// DPI becomes MulDiv(n, dpi, 96).
struct FrameMetrics {
    int volumeListWidth = 0;       // S(280): the volume list's starting width
    int paneExtent = 0;            // S(340): the inner panes' starting size
    int descriptionColumn = 0;     // 2 x S(280)
    int valueColumn = 0;           // S(280) / 2
    int minimumTrackWidth = 0;     // S(640), horizontal DPI
    int minimumTrackHeight = 0;    // S(280), vertical DPI
};

FrameMetrics ComputeFrameMetrics(int dpiX, int dpiY);

// Where the outer splitter goes: the client area above the status bar.
struct SplitterPlacement {
    int width = 0;
    int height = 0;
};
SplitterPlacement PlaceOuterSplitter(int clientWidth, int clientHeight, int statusBarHeight);

// A window placement loaded from the settings, made safe to show: sizes that
// are not positive or absurdly large let the system choose, and so does a
// position that would leave no part of the title bar on any monitor, so the
// frame always appears where it can be grabbed.
struct FramePlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
inline constexpr int kSystemChoosesPosition = static_cast<int>(0x80000000u);  // CW_USEDEFAULT
// virtualScreen: the bounding box of all monitors (SM_XVIRTUALSCREEN and its
// kin); monitors left of or above the primary one give it a negative origin.
FramePlacement SanitizeFramePlacement(FramePlacement stored, FramePlacement virtualScreen);

// The statistics list's two columns: the Description column as wide as its
// longest label plus a margin (never wider than twice the volume list), and
// the Value column the rest of the list, never narrower than 140 pixels at
// 96 DPI, so the value is what stays readable in a narrow window.
struct StatisticsColumns {
    int description = 0;
    int value = 0;
};
StatisticsColumns FitStatisticsColumns(int listWidth, int longestLabelWidth, int dpiX);

} // namespace trackkit
