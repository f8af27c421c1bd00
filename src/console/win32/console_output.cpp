#include "console/win32/console_output.h"

#include <algorithm>
#include <string>

#include "common/utf8.h"

namespace trackkit {
namespace {

// WriteConsoleW takes at most some tens of kilobytes in one call on older systems.
constexpr std::size_t kConsolePiece = 8192;

} // namespace

ConsoleOutput::ConsoleOutput(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)), console_(false)
{
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
}

void ConsoleOutput::Write(std::wstring_view text)
{
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE)
        return;
    if (!console_) {
        WriteUtf8(Utf8(text));
        return;
    }
    for (std::size_t at = 0; at < text.size(); at += kConsolePiece) {
        const auto count = static_cast<DWORD>(std::min(kConsolePiece, text.size() - at));
        DWORD written = 0;
        if (!WriteConsoleW(handle_, text.data() + at, count, &written, nullptr))
            return;
    }
}

void ConsoleOutput::WriteUtf8(std::string_view text)
{
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE)
        return;
    if (console_) {
        Write(WideFromUtf8(text));
        return;
    }
    while (!text.empty()) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        if (!WriteFile(handle_, text.data(), count, &written, nullptr) || written == 0)
            return;
        text.remove_prefix(written);
    }
}

} // namespace trackkit
