#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trackkit {

// Reads little-endian fields from a byte buffer at fixed offsets, one byte at a
// time, so that neither alignment nor the host's byte order matters. A read
// that would leave the buffer yields 0 and sets a sticky error flag, so a
// decoder can read a whole record and check once at the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8At(std::size_t offset) { return static_cast<std::uint8_t>(ReadAt(offset, 1)); }
    std::uint16_t U16At(std::size_t offset) { return static_cast<std::uint16_t>(ReadAt(offset, 2)); }
    std::uint32_t U32At(std::size_t offset) { return static_cast<std::uint32_t>(ReadAt(offset, 4)); }
    std::uint64_t U64At(std::size_t offset) { return ReadAt(offset, 8); }

    bool Ok() const { return ok_; }
    std::size_t Length() const { return bytes_.size(); }

private:
    std::uint64_t ReadAt(std::size_t offset, std::size_t width)
    {
        if (offset > bytes_.size() || bytes_.size() - offset < width) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>(bytes_[offset + i]) << (8 * i);
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    bool ok_ = true;
};

// The writing twin of ByteReader, used to build records (the simulated driver,
// tests). Writes outside the buffer are dropped and set the error flag.
class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    void U8At(std::size_t offset, std::uint8_t value) { WriteAt(offset, value, 1); }
    void U16At(std::size_t offset, std::uint16_t value) { WriteAt(offset, value, 2); }
    void U32At(std::size_t offset, std::uint32_t value) { WriteAt(offset, value, 4); }
    void U64At(std::size_t offset, std::uint64_t value) { WriteAt(offset, value, 8); }

    bool Ok() const { return ok_; }

private:
    void WriteAt(std::size_t offset, std::uint64_t value, std::size_t width)
    {
        if (offset > bytes_.size() || bytes_.size() - offset < width) {
            ok_ = false;
            return;
        }
        for (std::size_t i = 0; i < width; ++i)
            bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    std::span<std::uint8_t> bytes_;
    bool ok_ = true;
};

} // namespace trackkit
