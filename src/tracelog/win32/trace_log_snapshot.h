#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace trackkit {

// Committed read-write pages from the virtual-memory allocator, released in
// one piece when the object goes away. Not copyable.
class VirtualBuffer {
public:
    VirtualBuffer() = default;
    // Empty (null) when the pages cannot be had; GetLastError says why.
    explicit VirtualBuffer(std::size_t bytes);
    ~VirtualBuffer();
    VirtualBuffer(const VirtualBuffer&) = delete;
    VirtualBuffer& operator=(const VirtualBuffer&) = delete;
    VirtualBuffer(VirtualBuffer&& other) noexcept;
    VirtualBuffer& operator=(VirtualBuffer&& other) noexcept;

    std::uint8_t* Data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    void Release();
    std::uint8_t* data_ = nullptr;
};

// The whole trace log file, read in one synchronous call: the bytes the
// read returned, or the Windows error that stopped it (the opening's, the
// size query's, the allocation's or the read's; 1392 for an empty file).
// ReadFile takes a 32-bit length and EndOffset is 32-bit, so of a file of
// 4 GiB or more the first 0xFFFFFFFF bytes are read: nothing beyond them
// can be a record.
struct TraceLogSnapshot {
    std::uint32_t error = 0;
    VirtualBuffer buffer;
    std::size_t bytes = 0;

    std::span<const std::uint8_t> Bytes() const { return {buffer.Data(), bytes}; }
};

TraceLogSnapshot ReadTraceLogSnapshot(std::wstring_view path);

} // namespace trackkit
