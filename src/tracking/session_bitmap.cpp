#include "tracking/session_bitmap.h"

#include <cstdlib>

#include "tracking/driver_contract.h"

namespace trackkit {
namespace {

class CallocBitmapMemory final : public BitmapMemory {
public:
    std::uint8_t* Allocate(std::size_t bytes) override { return static_cast<std::uint8_t*>(std::calloc(bytes, 1)); }
    void Release(std::uint8_t* memory, std::size_t) override { std::free(memory); }
};

} // namespace

BitmapMemory& HeapBitmapMemory()
{
    static CallocBitmapMemory memory;
    return memory;
}

std::uint64_t SessionBitmap::BufferSizeFor(std::uint32_t bitCount)
{
    return (SessionBitmapLength(bitCount) + 3) & ~std::uint64_t{3};
}

bool SessionBitmap::SizeFor(std::uint32_t bitCount)
{
    const std::uint64_t wanted = BufferSizeFor(bitCount);
    if (bytes_ != nullptr && wanted == size_) {
        // Same buffer, but it now describes the new block count: every block
        // below it is requested and drawn on the next poll.
        bitCount_ = bitCount;
        return true;
    }
    Release();
    if (wanted == 0)
        return false;
    bytes_ = memory_->Allocate(static_cast<std::size_t>(wanted));
    if (bytes_ == nullptr)
        return false;
    size_ = static_cast<std::uint32_t>(wanted);
    bitCount_ = bitCount;
    return true;
}

void SessionBitmap::Release()
{
    if (bytes_ != nullptr)
        memory_->Release(bytes_, size_);
    bytes_ = nullptr;
    size_ = 0;
    bitCount_ = 0;
}

std::span<std::uint8_t> SessionBitmap::RequestBytes()
{
    return Bytes().first(static_cast<std::size_t>(SessionBitmapLength(bitCount_)));
}

} // namespace trackkit
