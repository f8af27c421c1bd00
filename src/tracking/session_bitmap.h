#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trackkit {

// Where the session bitmap's memory comes from. Allocate returns zero-filled
// memory or null; on Windows this is the virtual-memory allocator, since the
// buffer can reach hundreds of megabytes and is replaced in one piece.
class BitmapMemory {
public:
    virtual ~BitmapMemory() = default;
    virtual std::uint8_t* Allocate(std::size_t bytes) = 0;
    virtual void Release(std::uint8_t* memory, std::size_t bytes) = 0;
};

// The process heap's zero-filled allocation; the default everywhere but Windows.
BitmapMemory& HeapBitmapMemory();

// The buffer that receives the driver's session bitmap: one bit per block,
// block i in bit i mod 8 of byte i / 8. Owns its memory.
class SessionBitmap {
public:
    explicit SessionBitmap(BitmapMemory& memory = HeapBitmapMemory()) : memory_(&memory) {}
    ~SessionBitmap() { Release(); }
    SessionBitmap(const SessionBitmap&) = delete;
    SessionBitmap& operator=(const SessionBitmap&) = delete;

    // (bitCount + 7) / 8 bytes rounded up to a multiple of 4, in 64 bits so
    // that a block count near 2^32 cannot wrap to a tiny buffer.
    static std::uint64_t BufferSizeFor(std::uint32_t bitCount);

    // Makes the buffer fit bitCount bits. A buffer of the same size is kept
    // with its old bits (the next poll overwrites them). Returns false, with
    // the buffer released, when the memory cannot be had.
    bool SizeFor(std::uint32_t bitCount);
    void Release();

    bool Empty() const { return bytes_ == nullptr; }
    std::uint32_t BitCount() const { return bitCount_; }
    std::uint32_t SizeInBytes() const { return size_; }
    std::span<std::uint8_t> Bytes() { return {bytes_, size_}; }
    std::span<const std::uint8_t> Bytes() const { return {bytes_, size_}; }
    // The part of the buffer the driver writes: (bit count + 7) / 8 bytes.
    std::span<std::uint8_t> RequestBytes();
    bool Test(std::uint64_t bit) const { return bit < bitCount_ && (bytes_[bit / 8] >> (bit % 8) & 1u) != 0; }

private:
    BitmapMemory* memory_;
    std::uint8_t* bytes_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t bitCount_ = 0;
};

} // namespace trackkit
