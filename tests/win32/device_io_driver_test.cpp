// The real device I/O path under Wine: volumes open, but no tracking driver
// answers, so every request fails the way it does on a machine without it.
#include "tracking/win32/device_io_driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace trackkit {
namespace {

constexpr wchar_t kSystemVolume[] = L"\\\\.\\C:";
constexpr wchar_t kMissingVolume[] = L"\\\\.\\Q:";

TEST(DeviceIoDriver, SystemVolumeOpensButNoTrackingDriverAnswers)
{
    DeviceIoDriver driver;
    OpenVolumeResult opened = driver.OpenVolume(kSystemVolume);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    EXPECT_EQ(opened.error, 0u);

    std::array<std::uint8_t, 136> out{};
    const struct {
        const char* request;
        DriverReply reply;
    } replies[] = {
        {"geometry", opened.volume->QueryGeometry(std::span(out).first(56))},
        {"statistics", opened.volume->QueryStatistics(out)},
        {"session bitmap", opened.volume->QuerySessionBitmap(std::span(out).first(16))},
        {"removal", opened.volume->RequestRemoval()},
    };
    for (const auto& r : replies) {
        EXPECT_FALSE(r.reply.succeeded) << r.request;
        EXPECT_NE(r.reply.error, 0u) << r.request;
        EXPECT_EQ(r.reply.bytesReturned, 0u) << r.request;
    }
}

TEST(DeviceIoDriver, MissingVolumeDoesNotOpen)
{
    DeviceIoDriver driver;
    const OpenVolumeResult opened = driver.OpenVolume(kMissingVolume);

    EXPECT_EQ(opened.volume, nullptr);
    EXPECT_NE(opened.error, 0u);
}

// A plain file stands in for the volume, so that Windows' sharing rules show
// how the volume was opened and when it was closed.
class DeviceIoDriverSharing : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t folder[MAX_PATH];
        wchar_t file[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
        ASSERT_NE(GetTempFileNameW(folder, L"tk", 0, file), 0u);
        path_ = file;
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    // Opens the file as another program would and reports the error (0 when it opened).
    DWORD OpenOther(DWORD access, DWORD share) const
    {
        HANDLE handle = CreateFileW(path_.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return GetLastError();
        CloseHandle(handle);
        return 0;
    }

    std::wstring path_;
};

TEST_F(DeviceIoDriverSharing, VolumeIsOpenForReadingAndWritingAndSharedForBoth)
{
    DeviceIoDriver driver;
    OpenVolumeResult opened = driver.OpenVolume(path_);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;

    // Others may read and write beside it.
    EXPECT_EQ(OpenOther(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), 0u);
    // Nobody can deny writing to it, since it writes; nor reading, since it reads.
    EXPECT_EQ(OpenOther(GENERIC_READ, FILE_SHARE_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenOther(GENERIC_WRITE, FILE_SHARE_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(DeviceIoDriverSharing, DestroyingTheVolumeClosesIt)
{
    DeviceIoDriver driver;
    OpenVolumeResult opened = driver.OpenVolume(path_);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    ASSERT_EQ(OpenOther(GENERIC_READ, 0), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    opened.volume.reset();

    EXPECT_EQ(OpenOther(GENERIC_READ, 0), 0u);
}

} // namespace
} // namespace trackkit
