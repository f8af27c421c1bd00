#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trackkit {

// Writes text into a fixed wide buffer, cutting whatever does not fit and
// keeping the buffer terminated after every step. A trace log load builds
// nine texts for each of possibly millions of records, so this formats the
// few shapes it needs in place instead of going through printf and a string.
class BoundedText {
public:
    template <std::size_t Chars>
    explicit BoundedText(wchar_t (&buffer)[Chars]) : buffer_(buffer), room_(Chars)
    {
        static_assert(Chars > 0);
        buffer_[0] = L'\0';
    }

    BoundedText& Char(wchar_t c)
    {
        if (length_ + 1 < room_) {
            buffer_[length_++] = c;
            buffer_[length_] = L'\0';
        }
        return *this;
    }

    BoundedText& Text(std::wstring_view text)
    {
        for (const wchar_t c : text)
            Char(c);
        return *this;
    }

    // 8-bit text widened byte by byte (each byte's value becomes the
    // character's), up to the first zero byte or the end of the view.
    BoundedText& Narrow(std::string_view text)
    {
        for (const char c : text) {
            if (c == '\0')
                break;
            Char(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
        return *this;
    }

    // "0x" and eight upper-case hexadecimal digits.
    BoundedText& Hex32(std::uint32_t value)
    {
        Text(L"0x");
        for (int shift = 28; shift >= 0; shift -= 4)
            Char(L"0123456789ABCDEF"[(value >> shift) & 0xF]);
        return *this;
    }

    BoundedText& Decimal(std::int32_t value)
    {
        // Widened first, so the most negative value has a magnitude too.
        const std::int64_t wide = value;
        if (wide < 0)
            Char(L'-');
        std::uint64_t magnitude = static_cast<std::uint64_t>(wide < 0 ? -wide : wide);
        wchar_t digits[20];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        while (count > 0)
            Char(digits[--count]);
        return *this;
    }

    // Two decimal digits, zero-padded: the last two of the value.
    BoundedText& TwoDigits(unsigned value)
    {
        return Char(static_cast<wchar_t>(L'0' + value / 10 % 10)).Char(static_cast<wchar_t>(L'0' + value % 10));
    }
    std::size_t Length() const { return length_; }

private:
    wchar_t* buffer_;
    std::size_t room_;
    std::size_t length_ = 0;
};

} // namespace trackkit
