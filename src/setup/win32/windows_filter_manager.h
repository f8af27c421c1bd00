#pragma once

#include "setup/filter_manager.h"

namespace trackkit {

// The Filter Manager's user-mode library (fltlib): FilterLoad, FilterAttach
// (no created-instance name), FilterDetach (no instance name) and
// FilterUnload. Loading a filter needs the load-driver privilege.
class WindowsFilterManager final : public FilterManager {
public:
    std::int32_t Load(std::wstring_view filter) override;
    std::int32_t Attach(std::wstring_view filter, std::wstring_view volumePath, std::wstring_view instance) override;
    std::int32_t Detach(std::wstring_view filter, std::wstring_view volumePath) override;
    std::int32_t Unload(std::wstring_view filter) override;
};

} // namespace trackkit
