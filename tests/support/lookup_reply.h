#pragma once

// Cluster lookup replies laid out byte by byte as the file system writes them, so
// the reader is checked against the published layout, not an encoder of our own.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/byte_reader.h"
#include "tracking/cluster_lookup.h"

namespace trackkit::testing {

struct HandBuiltReply {
    std::vector<std::uint8_t> bytes;

    explicit HandBuiltReply(std::size_t length) : bytes(length, 0xCC) {}
    HandBuiltReply& Header(std::uint32_t firstOffset, std::uint32_t matches = 1)
    {
        ByteWriter writer(bytes);
        writer.U32At(0, firstOffset);
        writer.U32At(4, matches);
        return *this;
    }
    HandBuiltReply& Entry(std::size_t at, std::uint32_t next, const ClusterLookupEntry& entry, bool terminated = true)
    {
        ByteWriter writer(bytes);
        writer.U32At(at, next);
        writer.U32At(at + 4, entry.flags);
        writer.U64At(at + 8, 0xDEADBEEFDEADBEEF);  // Reserved
        writer.U64At(at + 16, entry.cluster);
        for (std::size_t i = 0; i < entry.fileName.size() + terminated; ++i)  // c_str() ends in the terminator
            writer.U16At(at + 24 + 2 * i, static_cast<std::uint16_t>(entry.fileName.c_str()[i]));
        EXPECT_TRUE(writer.Ok()) << "the test's entry does not fit";
        return *this;
    }
};

// The reply (entries from 16, each padded to 8) once the buffer holds it and `needed` bytes; ERROR_MORE_DATA before.
inline DriverReply AnswerLookup(std::span<std::uint8_t> out, const std::vector<ClusterLookupEntry>& entries, std::size_t needed = 0)
{
    HandBuiltReply reply(4096);
    reply.Header(16, static_cast<std::uint32_t>(entries.size()));
    std::size_t at = 16;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t length = (24 + 2 * (entries[i].fileName.size() + 1) + 7) / 8 * 8;
        reply.Entry(at, i + 1 == entries.size() ? 0 : static_cast<std::uint32_t>(length), entries[i]);
        at += length;
    }
    if (out.size() < std::max(needed, at))
        return DriverReply::Failure(kErrorMoreData);
    std::copy_n(reply.bytes.begin(), at, out.begin());
    return DriverReply::Success(static_cast<std::uint32_t>(at));
}

} // namespace trackkit::testing
