#include "tracking/win32/virtual_bitmap_memory.h"

#include <windows.h>

namespace trackkit {

std::uint8_t* VirtualBitmapMemory::Allocate(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    return static_cast<std::uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void VirtualBitmapMemory::Release(std::uint8_t* memory, std::size_t)
{
    if (memory != nullptr)
        VirtualFree(memory, 0, MEM_RELEASE);
}

} // namespace trackkit
