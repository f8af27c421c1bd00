#include "common/text.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace trackkit {

std::wstring CutToBuffer(std::wstring text, std::size_t maxChars)
{
    const std::size_t limit = maxChars == 0 ? 0 : maxChars - 1;
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

std::wstring FormatBoundedV(std::size_t maxChars, const wchar_t* format, std::va_list args)
{
    // vswprintf reports overflow without promising what it left in the
    // buffer, so format into a buffer that is large enough and cut afterwards.
    std::vector<wchar_t> buffer(maxChars + 64);
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::va_list copy;
        va_copy(copy, args);
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (written >= 0)
            return CutToBuffer(std::wstring(buffer.data(), static_cast<std::size_t>(written)), maxChars);
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

std::wstring FormatBounded(std::size_t maxChars, const wchar_t* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::wstring text = FormatBoundedV(maxChars, format, args);
    va_end(args);
    return text;
}

} // namespace trackkit
