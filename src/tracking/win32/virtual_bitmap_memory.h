#pragma once

#include "tracking/session_bitmap.h"

namespace trackkit {

// Session bitmaps from the virtual-memory allocator: committed read-write
// pages, zero-filled by the system, released in one piece with MEM_RELEASE.
class VirtualBitmapMemory final : public BitmapMemory {
public:
    // Null when bytes is 0 or the memory cannot be had.
    std::uint8_t* Allocate(std::size_t bytes) override;
    void Release(std::uint8_t* memory, std::size_t bytes) override;
};

} // namespace trackkit
