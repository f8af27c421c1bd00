#include "setup/win32/atom_reboot_marker.h"

#include <windows.h>

namespace trackkit {

void AtomRebootMarker::MarkRebootScheduled()
{
    GlobalAddAtomW(L"QuillonRebootScheduled");
}

} // namespace trackkit
