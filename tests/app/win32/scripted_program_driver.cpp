#include "app/win32/scripted_program_driver.h"

#include "app/win32/program_driver.h"

namespace trackkit {

TrackingDriver& ProgramTrackingDriver() { return testing::ScriptedProgramDriver(); }

} // namespace trackkit
