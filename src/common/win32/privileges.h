#pragma once

namespace trackkit {

// Enables one privilege of the process token ("SeBackupPrivilege"); true
// when the adjustment call reported success.
bool EnablePrivilege(const wchar_t* name);

} // namespace trackkit
