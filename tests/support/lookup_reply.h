#pragma once

// Cluster lookup replies as the file system writes them, for the tests of
// the code that reads them: header {Offset u32, NumberOfMatches u32,
// BufferSizeRequired u32}, the first entry at offset 16, each entry
// {OffsetToNext u32, Flags u32, Reserved u64, Cluster u64, FileName UTF-16
// NUL-terminated} padded to 8 bytes, OffsetToNext 0 on the last.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "common/byte_reader.h"
#include "tracking/cluster_lookup.h"

namespace trackkit::testing {

inline std::size_t LookupEntryLength(const ClusterLookupEntry& entry)
{
    return (24 + 2 * (entry.fileName.size() + 1) + 7) / 8 * 8;
}

inline std::vector<std::uint8_t> LookupReply(std::span<const ClusterLookupEntry> entries)
{
    std::size_t length = 16;
    for (const ClusterLookupEntry& entry : entries)
        length += LookupEntryLength(entry);
    std::vector<std::uint8_t> reply(length);
    ByteWriter writer(reply);
    writer.U32At(0, 16);
    writer.U32At(4, static_cast<std::uint32_t>(entries.size()));
    std::size_t at = 16;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ClusterLookupEntry& entry = entries[i];
        const std::size_t entryLength = LookupEntryLength(entry);
        writer.U32At(at, i + 1 == entries.size() ? 0 : static_cast<std::uint32_t>(entryLength));
        writer.U32At(at + 4, entry.flags);
        writer.U64At(at + 16, entry.cluster);
        for (std::size_t c = 0; c < entry.fileName.size(); ++c)
            writer.U16At(at + 24 + 2 * c, static_cast<std::uint16_t>(entry.fileName[c]));
        at += entryLength;
    }
    return reply;
}

// Answers a lookup with these entries once the buffer holds them, and with
// ERROR_MORE_DATA before that.
inline DriverReply AnswerLookup(std::span<const ClusterLookupEntry> entries, std::span<std::uint8_t> out)
{
    const std::vector<std::uint8_t> reply = LookupReply(entries);
    if (out.size() < reply.size())
        return DriverReply::Failure(kErrorMoreData);
    std::copy(reply.begin(), reply.end(), out.begin());
    return DriverReply::Success(static_cast<std::uint32_t>(reply.size()));
}

} // namespace trackkit::testing
