#pragma once

// A reader of cluster lookup replies for the simulation's tests, written
// straight from the published record layouts and sharing no code with the
// encoder it checks: header {Offset u32, NumberOfMatches u32,
// BufferSizeRequired u32}, entries {OffsetToNext u32, Flags u32, Reserved
// u64, Cluster u64, FileName UTF-16 NUL-terminated}. Every read is checked
// against the bytes the reply reported.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace trackkit::test {

struct ReadEntry {
    std::size_t at = 0;  // offset of the entry from the start of the reply
    std::uint32_t offsetToNext = 0;
    std::uint32_t flags = 0;
    std::uint64_t reserved = 0;
    std::uint64_t cluster = 0;
    std::wstring name;
    std::size_t nameEnd = 0;  // offset just past the name's NUL
};

struct ReadReply {
    std::uint32_t offset = 0;
    std::uint32_t matches = 0;
    std::uint32_t sizeRequired = 0;
    std::vector<ReadEntry> entries;
};

inline std::uint64_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width)
{
    std::uint64_t value = 0;
    if (at > bytes.size() || bytes.size() - at < width) {
        ADD_FAILURE() << "read of " << width << " bytes at " << at << " past the reply's " << bytes.size();
        return 0;
    }
    for (std::size_t i = 0; i < width; ++i)
        value |= std::uint64_t{bytes[at + i]} << (8 * i);
    return value;
}

// A UTF-16 name from `at` up to its NUL, with surrogate pairs joined where
// wchar_t holds whole code points.
inline std::wstring ReadName(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t& end)
{
    std::wstring name;
    for (;;) {
        if (at + 2 > bytes.size()) {
            ADD_FAILURE() << "name without its NUL";
            end = at;
            return name;
        }
        auto unit = static_cast<std::uint32_t>(ReadLittleEndian(bytes, at, 2));
        at += 2;
        if (unit == 0)
            break;
        if constexpr (sizeof(wchar_t) > 2) {
            if (unit >= 0xD800 && unit < 0xDC00 && at + 2 <= bytes.size()) {
                const auto low = static_cast<std::uint32_t>(ReadLittleEndian(bytes, at, 2));
                at += 2;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        name += static_cast<wchar_t>(unit);
    }
    end = at;
    return name;
}

// The header, then the entries from Offset along OffsetToNext (none when
// Offset is 0).
inline ReadReply ReadLookupReply(std::span<const std::uint8_t> bytes)
{
    ReadReply reply;
    reply.offset = static_cast<std::uint32_t>(ReadLittleEndian(bytes, 0, 4));
    reply.matches = static_cast<std::uint32_t>(ReadLittleEndian(bytes, 4, 4));
    reply.sizeRequired = static_cast<std::uint32_t>(ReadLittleEndian(bytes, 8, 4));
    std::size_t at = reply.offset;
    while (at != 0 && reply.entries.size() <= bytes.size()) {
        ReadEntry entry;
        entry.at = at;
        entry.offsetToNext = static_cast<std::uint32_t>(ReadLittleEndian(bytes, at, 4));
        entry.flags = static_cast<std::uint32_t>(ReadLittleEndian(bytes, at + 4, 4));
        entry.reserved = ReadLittleEndian(bytes, at + 8, 8);
        entry.cluster = ReadLittleEndian(bytes, at + 16, 8);
        entry.name = ReadName(bytes, at + 24, entry.nameEnd);
        reply.entries.push_back(entry);
        at = entry.offsetToNext == 0 ? 0 : at + entry.offsetToNext;
    }
    return reply;
}

} // namespace trackkit::test
