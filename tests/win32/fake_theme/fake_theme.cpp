// A stand-in for the maker's theme library, OrvexTheme.dll, for tests. The
// .def files decide under which ordinals its entries are exported; each call
// is recorded for the test to read back.

#include "theme_call_record.h"

namespace {

ThemeCallRecord g_record{};

} // namespace

extern "C" {

// Answers are deliberately odd: the program must not depend on them.
LONG_PTR WINAPI FakeThemeStart(LONG_PTR argument)
{
    ++g_record.startCalls;
    g_record.startArgument = argument;
    return -1;
}

LRESULT WINAPI FakeThemeFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++g_record.frameCalls;
    g_record.frameWindow = window;
    g_record.frameMessage = message;
    g_record.frameWParam = wParam;
    g_record.frameLParam = lParam;
    return -1;
}

const ThemeCallRecord* WINAPI RecordedThemeCalls()
{
    return &g_record;
}

} // extern "C"
