#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tracelog/trace_log_format.h"
#include "tracelog/trace_selection.h"
#include "tracelog/trace_texts.h"

namespace trackkit {

// The trace log dialog's record (see RecordDialogProc), made from its
// TraceLogDialogContext.
struct TraceLogDialogState {
    static std::unique_ptr<TraceLogDialogState> Create(HWND dialog, LPARAM initParameter);

    HWND dialog = nullptr;
    HWND pathBox = nullptr;
    HWND chooseButton = nullptr;
    HWND deviceFilter = nullptr;
    HWND threadFilter = nullptr;
    HWND table = nullptr;
    HWND flagsPanel = nullptr;

    bool dark = false;  // QueryDarkMode, read at start and on every theme change
    bool themeLoaded = false;  // the maker's theme library, which darkens the table
    // The log path the table is loaded from: the opener's remembered path,
    // or ownLogPath when it gave none.
    std::wstring ownLogPath;
    std::wstring* logPath = nullptr;
    int dpiX = 96;
    int dpiY = 96;
    // Fixed by the template: the table's left edge (the margin) and top, and
    // the right edge of the controls above the table, in client pixels.
    int margin = 0;
    int tableTop = 0;
    int topControlsRight = 0;

    // The record store: a row's item parameter is its entry's index here.
    std::vector<TraceEntry> store;
    TraceFilterState filters;
    // The Flags of the most recently selected row, shown by the flags panel.
    std::uint32_t selectedFlags = 0;
    // The DeviceName text last handed to the table; valid until the next request.
    wchar_t deviceNameText[TraceColumnTexts::kDeviceNameChars] = {};
};

// The entry of a row's item parameter; null when there is none.
const TraceEntry* EntryAt(const TraceLogDialogState& state, LPARAM itemParameter);

} // namespace trackkit
