#include "shell/win32/scripted_program_driver.h"

#include "tracking/win32/program_driver.h"

namespace trackkit {

namespace testing {

SimulatedDriver& ScriptedProgramDriver()
{
    static SimulatedDriver driver;
    return driver;
}

} // namespace testing

TrackingDriver& ProgramTrackingDriver() { return testing::ScriptedProgramDriver(); }

} // namespace trackkit
