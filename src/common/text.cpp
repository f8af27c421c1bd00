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

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The digit run at the start of text, without its leading zeros.
std::wstring_view DigitRun(std::wstring_view text, std::size_t& length)
{
    length = 0;
    while (length < text.size() && IsDigit(text[length]))
        ++length;
    std::wstring_view run = text.substr(0, length);
    while (run.size() > 1 && run.front() == L'0')
        run.remove_prefix(1);
    return run;
}

} // namespace

bool NaturalLess(std::wstring_view a, std::wstring_view b)
{
    while (!a.empty() && !b.empty()) {
        if (IsDigit(a.front()) && IsDigit(b.front())) {
            std::size_t lengthA = 0, lengthB = 0;
            const std::wstring_view numberA = DigitRun(a, lengthA), numberB = DigitRun(b, lengthB);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size();
            if (numberA != numberB)
                return numberA < numberB;
            a.remove_prefix(lengthA);
            b.remove_prefix(lengthB);
            continue;
        }
        if (a.front() != b.front())
            return a.front() < b.front();
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    return a.size() < b.size();
}

std::wstring GroupedDigits(std::uint64_t value, std::wstring_view separator)
{
    const std::wstring digits = std::to_wstring(value);
    std::wstring grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

} // namespace trackkit
