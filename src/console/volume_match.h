#pragma once

// Which listed volume a command line names.

#include <string_view>

#include "volumes/volume_list.h"

namespace trackkit {

// The entry that `name` names, whatever the letter case: a drive letter
// ("C", "C:", "C:\"), any of its mount paths with or without the last
// backslash, its volume name ("\\?\Volume{...}\", the last backslash
// optional) or its device path ("\\.\C:"). Null when none does.
const VolumeEntry* FindVolume(const VolumeList& list, std::wstring_view name);

} // namespace trackkit
