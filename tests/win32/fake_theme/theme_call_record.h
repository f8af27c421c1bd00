#pragma once

#include <windows.h>

// What the stand-in theme library was called with, shared between the
// library (which writes it) and the tests (which read it back through the
// library's RecordedThemeCalls export).
struct ThemeCallRecord {
    LONG startCalls;
    LONG_PTR startArgument;  // of the latest call
    LONG frameCalls;
    HWND frameWindow;        // the latest call's four values
    UINT frameMessage;
    WPARAM frameWParam;
    LPARAM frameLParam;

    bool operator==(const ThemeCallRecord&) const = default;
};

using RecordedThemeCallsFunction = const ThemeCallRecord*(WINAPI*)();
