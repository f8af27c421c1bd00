#include "setup/win32/windows_filter_manager.h"

#include <windows.h>
#include <fltuser.h>

#include <string>

namespace trackkit {
namespace {

std::wstring Terminated(std::wstring_view text) { return std::wstring(text); }

} // namespace

std::int32_t WindowsFilterManager::Load(std::wstring_view filter)
{
    return FilterLoad(Terminated(filter).c_str());
}

std::int32_t WindowsFilterManager::Attach(std::wstring_view filter, std::wstring_view volumePath,
                                          std::wstring_view instance)
{
    return FilterAttach(Terminated(filter).c_str(), Terminated(volumePath).c_str(), Terminated(instance).c_str(), 0,
                        nullptr);
}

std::int32_t WindowsFilterManager::Detach(std::wstring_view filter, std::wstring_view volumePath)
{
    return FilterDetach(Terminated(filter).c_str(), Terminated(volumePath).c_str(), nullptr);
}

std::int32_t WindowsFilterManager::Unload(std::wstring_view filter)
{
    return FilterUnload(Terminated(filter).c_str());
}

} // namespace trackkit
