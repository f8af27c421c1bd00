#include "tracking/win32/virtual_bitmap_memory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace trackkit {
namespace {

MEMORY_BASIC_INFORMATION Query(const void* address)
{
    MEMORY_BASIC_INFORMATION info{};
    EXPECT_NE(VirtualQuery(address, &info, sizeof info), 0u);
    return info;
}

bool AllZero(const std::uint8_t* bytes, std::size_t size)
{
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

TEST(VirtualBitmapMemory, AllocationIsZeroedWritableAndReleasedWhole)
{
    VirtualBitmapMemory memory;
    constexpr std::size_t kSize = 3 * 4096 + 100;
    std::uint8_t* bytes = memory.Allocate(kSize);
    ASSERT_NE(bytes, nullptr);

    EXPECT_TRUE(AllZero(bytes, kSize));
    const auto info = Query(bytes);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));
    EXPECT_GE(info.RegionSize, kSize);
    std::memset(bytes, 0xA5, kSize);

    memory.Release(bytes, kSize);
    EXPECT_EQ(Query(bytes).State, static_cast<DWORD>(MEM_FREE));
    EXPECT_EQ(Query(bytes + kSize - 1).State, static_cast<DWORD>(MEM_FREE));

    // Memory handed out again starts zero-filled too.
    std::uint8_t* again = memory.Allocate(kSize);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(AllZero(again, kSize));
    memory.Release(again, kSize);
}

TEST(VirtualBitmapMemory, NothingForZeroBytesOrMoreThanTheAddressSpace)
{
    VirtualBitmapMemory memory;
    EXPECT_EQ(memory.Allocate(0), nullptr);
    EXPECT_EQ(memory.Allocate(std::size_t{1} << 62), nullptr);
    memory.Release(nullptr, 0);  // harmless
}

TEST(VirtualBitmapMemory, SessionBitmapSizesItsBufferFromIt)
{
    VirtualBitmapMemory memory;
    SessionBitmap bitmap(memory);

    ASSERT_TRUE(bitmap.SizeFor(1001));  // 126 bytes, rounded up to 128
    EXPECT_EQ(bitmap.SizeInBytes(), 128u);
    EXPECT_EQ(bitmap.RequestBytes().size(), 126u);
    EXPECT_TRUE(AllZero(bitmap.Bytes().data(), bitmap.Bytes().size()));
    std::uint8_t* first = bitmap.Bytes().data();
    bitmap.Bytes()[125] = 0x10;  // block 1004
    EXPECT_EQ(Query(first).State, static_cast<DWORD>(MEM_COMMIT));

    // Same rounded size: the buffer and its bits stay.
    ASSERT_TRUE(bitmap.SizeFor(1020));
    EXPECT_EQ(bitmap.Bytes().data(), first);
    EXPECT_EQ(bitmap.Bytes()[125], 0x10);

    // Another size: a new zeroed buffer, and the old one goes back to the
    // system, which may hand its addresses out again for the new one.
    ASSERT_TRUE(bitmap.SizeFor(8u * 1024 * 1024));  // 1 MiB
    EXPECT_EQ(bitmap.SizeInBytes(), 1024u * 1024u);
    EXPECT_TRUE(AllZero(bitmap.Bytes().data(), bitmap.Bytes().size()));
    const auto old = Query(first);
    EXPECT_TRUE(old.State == MEM_FREE || old.AllocationBase == bitmap.Bytes().data())
        << "the old buffer is still allocated";

    std::uint8_t* second = bitmap.Bytes().data();
    bitmap.Release();
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(Query(second).State, static_cast<DWORD>(MEM_FREE));
}

} // namespace
} // namespace trackkit
