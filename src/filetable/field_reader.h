#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace trackkit::ntfs {

// Reads little-endian fields at fixed offsets by ByteReader's rules: a field
// that would leave the bytes reads as 0 and sets a sticky flag, checked once
// after a record's fields are read. Each field is one load rather than a
// loop over its bytes, since a volume's records are read by the million.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8At(std::size_t offset) { return Read<std::uint8_t>(offset); }
    std::uint16_t U16At(std::size_t offset) { return Read<std::uint16_t>(offset); }
    std::uint32_t U32At(std::size_t offset) { return Read<std::uint32_t>(offset); }
    std::uint64_t U64At(std::size_t offset) { return Read<std::uint64_t>(offset); }

    bool Ok() const { return ok_; }
    std::size_t Length() const { return bytes_.size(); }

private:
    template <typename Field>
    Field Read(std::size_t offset)
    {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(Field)) {
            ok_ = false;
            return 0;
        }
        if constexpr (std::endian::native == std::endian::little) {
            Field value;
            std::memcpy(&value, bytes_.data() + offset, sizeof(Field));
            return value;
        } else {
            Field value = 0;
            for (std::size_t i = 0; i < sizeof(Field); ++i)
                value = static_cast<Field>(value | static_cast<Field>(bytes_[offset + i]) << (8 * i));
            return value;
        }
    }

    std::span<const std::uint8_t> bytes_;
    bool ok_ = true;
};

} // namespace trackkit::ntfs
