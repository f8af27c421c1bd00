#include "setup/win32/windows_error_text.h"

#include <windows.h>

#include "common/text.h"

namespace trackkit {
namespace {

constexpr DWORD kErrorTextChars = 512;

} // namespace

std::wstring WindowsErrorText::Describe(std::uint32_t error)
{
    wchar_t buffer[kErrorTextChars] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        buffer, kErrorTextChars, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        return FormatBounded(64, L"Error %u.", error);
    return text;
}

} // namespace trackkit
