#pragma once

#include "tracking/tracking_driver.h"

namespace trackkit {

// The tracking driver this program talks to. Each executable links exactly
// one definition: TrackKit.exe the real driver through DeviceIoControl,
// TrackKitDemo.exe the simulation, the tests a scripted one. The choice is
// made at link time, never by a flag.
TrackingDriver& ProgramTrackingDriver();

} // namespace trackkit
