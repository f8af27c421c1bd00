// TrackKit.exe talks to the real tracking driver.
#include "tracking/win32/device_io_driver.h"
#include "app/win32/program_driver.h"

namespace trackkit {

TrackingDriver& ProgramTrackingDriver()
{
    static DeviceIoDriver driver;
    return driver;
}

} // namespace trackkit
