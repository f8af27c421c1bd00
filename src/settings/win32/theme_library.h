#pragma once

#include <windows.h>

#include <string>

#include "common/win32/unique_handles.h"

namespace trackkit {

// The maker's theme library, "OrvexTheme.dll", which lies outside TrackKit.
// It is loaded by its full path from one folder only, never through the DLL
// search path, so that a file of that name in the current directory or on
// PATH is never run inside an elevated program. When the file is missing,
// cannot be loaded, or lacks an entry, the matching call does nothing and
// the program starts all the same. Results of the library are never used.
//
// The library stays loaded while the object lives; keep it alive until every
// window it may have touched is gone. Not copyable or movable.
class ThemeLibrary {
public:
    static constexpr const wchar_t* kFileName = L"OrvexTheme.dll";

    // Loads kFileName from `folder`, which must be a full path; an empty or
    // relative folder loads nothing.
    explicit ThemeLibrary(const std::wstring& folder);

    ThemeLibrary(const ThemeLibrary&) = delete;
    ThemeLibrary& operator=(const ThemeLibrary&) = delete;

    bool IsLoaded() const { return static_cast<bool>(module_); }

    // Ordinal 1, called first thing at program start with 0.
    void OnStart() const;

    // Ordinal 8, called first thing in the main frame's WM_CREATE with that
    // message's own values.
    void OnFrameCreate(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    using StartEntry = LONG_PTR(WINAPI*)(LONG_PTR reserved);
    using FrameEntry = LRESULT(WINAPI*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UniqueModule module_;
    StartEntry start_ = nullptr;
    FrameEntry frameCreate_ = nullptr;
};

// The folder of the running program's executable, ending in a backslash;
// empty when it cannot be read.
std::wstring ProgramFolder();

} // namespace trackkit
