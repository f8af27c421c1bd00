#pragma once

#include "tracking/tracking_driver.h"

namespace trackkit {

// The real tracking driver: each volume is opened with CreateFileW and the
// driver's requests are DeviceIoControl calls on that handle. Where no driver
// is loaded the requests fail with the system's answer (ERROR_NOT_SUPPORTED
// on a plain volume), which the poller treats like any other failure.
class DeviceIoDriver final : public TrackingDriver {
public:
    // Opens path ("\\.\C:" or a volume name without the trailing backslash)
    // for reading and writing, shared for reading and writing. The volume
    // closes its handle when it is destroyed.
    OpenVolumeResult OpenVolume(std::wstring_view path) override;
};

} // namespace trackkit
