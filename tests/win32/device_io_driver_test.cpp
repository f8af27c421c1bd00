// The real device I/O path. Under Wine, as on any machine without the
// tracking driver, a volume opens but every request to the driver fails;
// Wine answers them with error 50 (ERROR_NOT_SUPPORTED).
#include "tracking/win32/device_io_driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "temp_folder.h"

namespace trackkit {
namespace {

TEST(DeviceIoDriver, TheSystemVolumeOpensButNoTrackingDriverAnswersAndAMissingVolumeDoesNotOpen)
{
    DeviceIoDriver driver;
    OpenVolumeResult opened = driver.OpenVolume(L"\\\\.\\C:");
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    EXPECT_EQ(opened.error, 0u);

    std::array<std::uint8_t, 136> out{};
    const DriverReply replies[] = {
        opened.volume->QueryGeometry(std::span(out).first(56)),
        opened.volume->QueryStatistics(out),
        opened.volume->QuerySessionBitmap(std::span(out).first(16)),
        opened.volume->RequestRemoval(),
    };
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    for (const DriverReply& reply : replies) {
        EXPECT_FALSE(reply.succeeded);
        EXPECT_EQ(reply.bytesReturned, 0u);
        EXPECT_NE(reply.error, 0u);
        if (wine) {
            EXPECT_EQ(reply.error, 50u);
        }
    }

    const OpenVolumeResult missing = driver.OpenVolume(L"\\\\.\\Q:");
    EXPECT_EQ(missing.volume, nullptr);
    EXPECT_NE(missing.error, 0u);
}

// A plain file stands in for the volume, so that Windows' sharing rules show
// how the volume is opened and when it is closed.
TEST(DeviceIoDriver, TheVolumeIsOpenForReadingAndWritingAndSharedForBothUntilItGoesAway)
{
    test::TempFolder folder;
    const std::wstring path = folder.Make(L"volume");
    test::WriteFile(path, "x");
    // Opens the file as another program would; the error, or 0 when it opened.
    const auto openOther = [&](DWORD access, DWORD share) -> DWORD {
        HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return GetLastError();
        CloseHandle(handle);
        return 0;
    };

    DeviceIoDriver driver;
    OpenVolumeResult opened = driver.OpenVolume(path);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    EXPECT_EQ(openOther(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), 0u);
    // Nobody can deny writing to it, since it writes; nor reading, since it reads.
    EXPECT_EQ(openOther(GENERIC_READ, FILE_SHARE_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(openOther(GENERIC_WRITE, FILE_SHARE_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    opened.volume.reset();
    EXPECT_EQ(openOther(GENERIC_READ, 0), 0u);
}

} // namespace
} // namespace trackkit
