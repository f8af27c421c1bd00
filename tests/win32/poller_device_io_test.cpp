// Opening a volume for tracking through the real device I/O path. Under Wine,
// as on any machine without the tracking driver, the volume opens but the
// geometry query fails, so the pane ends up with no volume.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_host.h"
#include "tracking/poller.h"
#include "tracking/win32/device_io_driver.h"
#include "tracking/win32/locale_text.h"
#include "tracking/win32/virtual_bitmap_memory.h"

namespace trackkit {
namespace {

using testing::CountingFreeSpace;
using testing::RecordingDebugLog;
using testing::RecordingPane;
using testing::RecordingRows;
using testing::RecordingTimer;

class PollerOnDeviceIo : public ::testing::Test {
protected:
    PollerOnDeviceIo()
    {
        // Rows 16 and 17 keep their text when tracking fails.
        rows_.values[16] = L"3";
        rows_.values[17] = L"1.00 KB";
    }

    void ExpectNoVolume()
    {
        EXPECT_EQ(session_.volume, nullptr);
        EXPECT_TRUE(session_.bitmap.Empty());
        EXPECT_EQ(session_.bitmap.BitCount(), 0u);
        EXPECT_EQ(session_.geometry.bytesPerBlock, 0u);
        EXPECT_FALSE(timer_.running.has_value());
        ASSERT_FALSE(timer_.calls.empty());
        for (const auto& call : timer_.calls)
            EXPECT_EQ(call, L"stop");
        for (int row = 1; row <= 15; ++row)
            EXPECT_EQ(rows_.At(row), L"Unknown") << "row " << row;
        EXPECT_EQ(rows_.At(0), L"<untouched>");
        EXPECT_EQ(rows_.At(16), L"3");
        EXPECT_EQ(rows_.At(17), L"1.00 KB");
        ASSERT_FALSE(pane_.invalidations.empty());
        EXPECT_TRUE(pane_.invalidations.back());
    }

    DeviceIoDriver driver_;
    RecordingRows rows_;
    WindowsLocaleText locale_;
    CountingFreeSpace freeSpace_;
    RecordingTimer timer_;
    RecordingDebugLog log_;
    RecordingPane pane_;
    PollerHost host_{driver_, rows_, locale_, freeSpace_, timer_, log_, pane_};
    VirtualBitmapMemory memory_;
    TrackingSession session_{memory_};
};

TEST_F(PollerOnDeviceIo, VolumeWithoutTrackingDriverEndsInTheFailureStep)
{
    OpenTrackedVolume(&session_, L"\\\\.\\C:", host_);

    ExpectNoVolume();
    EXPECT_EQ(log_.lines, std::vector<std::wstring>{std::wstring(kTrackingInfoFailedText)});
}

TEST_F(PollerOnDeviceIo, VolumeThatCannotBeOpenedEndsInTheFailureStepSilently)
{
    OpenTrackedVolume(&session_, L"\\\\.\\Q:", host_);

    ExpectNoVolume();
    EXPECT_TRUE(log_.lines.empty());
}

} // namespace
} // namespace trackkit
