#pragma once

#include "sim/simulated_driver.h"

namespace trackkit::testing {

// The tracking driver that the windows under test talk to: the simulation,
// scripted by each test.
inline SimulatedDriver& ScriptedProgramDriver()
{
    static SimulatedDriver driver;
    return driver;
}

} // namespace trackkit::testing
