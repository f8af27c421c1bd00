#include "settings/win32/theme_library.h"

#include <cstdint>
#include <vector>

namespace trackkit {
namespace {

constexpr WORD kStartOrdinal = 1;
constexpr WORD kFrameCreateOrdinal = 8;

// The library's own dependencies are looked for beside it and in the system
// folders only. LoadLibraryExW refuses these flags with a relative path.
constexpr DWORD kLoadFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

bool IsFullPath(const std::wstring& folder)
{
    const bool driveRooted = folder.size() >= 3 && folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/');
    const bool uncPath = folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\';
    return driveRooted || uncPath;
}

// A library that cannot be loaded (a damaged file, a missing dependency)
// must not stop start-up with a system error box.
HMODULE LoadQuietly(const std::wstring& path)
{
    DWORD previousMode = 0;
    const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, kLoadFlags);
    if (modeSet)
        SetThreadErrorMode(previousMode, nullptr);
    return module;
}

template <typename Entry>
Entry FindOrdinal(HMODULE module, WORD ordinal)
{
    FARPROC address = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    // An ordinal inside the export table's range that nothing is exported
    // under has an empty slot, which GetProcAddress may hand out as the
    // module's own base address. That is no entry, and must not be called.
    if (reinterpret_cast<std::uintptr_t>(address) == reinterpret_cast<std::uintptr_t>(module))
        address = nullptr;
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

} // namespace

ThemeLibrary::ThemeLibrary(const std::wstring& folder)
{
    if (!IsFullPath(folder))
        return;
    std::wstring path = folder;
    if (path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    path += kFileName;
    module_.Reset(LoadQuietly(path));
    if (!module_)
        return;
    start_ = FindOrdinal<StartEntry>(module_.Get(), kStartOrdinal);
    frameCreate_ = FindOrdinal<FrameEntry>(module_.Get(), kFrameCreateOrdinal);
}

void ThemeLibrary::OnStart() const
{
    if (start_ != nullptr)
        start_(0);
}

void ThemeLibrary::OnFrameCreate(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (frameCreate_ != nullptr)
        frameCreate_(frame, message, wParam, lParam);
}

std::wstring ProgramFolder()
{
    // Long paths do not fit MAX_PATH; grow until the whole name fits.
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            std::wstring path(name.data(), length);
            const std::size_t lastSeparator = path.find_last_of(L"\\/");
            return lastSeparator == std::wstring::npos ? std::wstring() : path.substr(0, lastSeparator + 1);
        }
        if (name.size() >= 32768)
            return {};
        name.resize(name.size() * 2);
    }
}

} // namespace trackkit
