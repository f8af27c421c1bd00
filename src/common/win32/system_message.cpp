#include "common/win32/system_message.h"

#include "common/text.h"

namespace trackkit {
namespace {

constexpr DWORD kErrorTextChars = 512;

} // namespace

std::wstring SystemMessageText(DWORD error)
{
    wchar_t buffer[kErrorTextChars] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        buffer, kErrorTextChars, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        return FormatBounded(64, L"Error %u.", static_cast<unsigned>(error));
    return text;
}

} // namespace trackkit
