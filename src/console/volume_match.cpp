#include "console/volume_match.h"

#include <algorithm>
#include <string>

namespace trackkit {
namespace {

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Folded for comparing: ASCII letters upper case, one last backslash gone.
std::wstring Folded(std::wstring_view text)
{
    std::wstring folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), Upper);
    if (folded.size() > 1 && folded.back() == L'\\')
        folded.pop_back();
    return folded;
}

bool Names(const VolumeEntry& entry, const std::wstring& wanted)
{
    if (Folded(entry.volumeName) == wanted || Folded(entry.devicePath) == wanted)
        return true;
    return std::any_of(entry.mountPaths.begin(), entry.mountPaths.end(), [&](const std::wstring& path) {
        const std::wstring folded = Folded(path);
        // "C" for the drive "C:\".
        return folded == wanted || (wanted.size() == 1 && folded.size() == 2 && folded[1] == L':' && folded[0] == wanted[0]);
    });
}

} // namespace

const VolumeEntry* FindVolume(const VolumeList& list, std::wstring_view name)
{
    const std::wstring wanted = Folded(name);
    if (wanted.empty())
        return nullptr;
    const auto found = std::find_if(list.entries.begin(), list.entries.end(), [&](const VolumeEntry& entry) { return Names(entry, wanted); });
    return found == list.entries.end() ? nullptr : &*found;
}

} // namespace trackkit
