#include "filetable/utf16_name.h"

namespace trackkit::ntfs {
namespace {

constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogatesEnd = 0xE000;

bool IsHighSurrogate(char32_t unit) { return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst; }
bool IsLowSurrogate(char32_t unit) { return unit >= kLowSurrogateFirst && unit < kSurrogatesEnd; }

} // namespace

void AppendWideFromUtf16(std::span<const std::uint8_t> bytes, std::wstring& text)
{
    const std::size_t units = bytes.size() / 2;
    std::size_t length = text.size();
    text.resize(length + units);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = bytes[2 * i] | (char32_t{bytes[2 * i + 1]} << 8);
        if constexpr (sizeof(wchar_t) >= 4) {
            if (IsHighSurrogate(unit) && i + 1 < units) {
                const char32_t next = bytes[2 * i + 2] | (char32_t{bytes[2 * i + 3]} << 8);
                if (IsLowSurrogate(next)) {
                    text[length++] = static_cast<wchar_t>(0x10000 + ((unit - kHighSurrogateFirst) << 10) +
                                                          (next - kLowSurrogateFirst));
                    ++i;
                    continue;
                }
            }
        }
        text[length++] = static_cast<wchar_t>(unit);
    }
    text.resize(length);
}

std::wstring WideFromUtf16(std::span<const std::uint8_t> bytes)
{
    std::wstring text;
    AppendWideFromUtf16(bytes, text);
    return text;
}

} // namespace trackkit::ntfs
