#pragma once

#include <cstdint>
#include <string_view>

namespace trackkit {

// The Filter Manager's answer for a filter that is running already
// (HRESULT_FROM_WIN32(ERROR_SERVICE_ALREADY_RUNNING)).
inline constexpr std::int32_t kFilterAlreadyRunning = static_cast<std::int32_t>(0x80070420u);

// Loading, attaching, detaching and unloading a file-system minifilter.
// Each call answers with an HRESULT: negative is a failure.
class FilterManager {
public:
    virtual ~FilterManager() = default;
    virtual std::int32_t Load(std::wstring_view filter) = 0;
    // Attaches a new instance of the filter to the volume at volumePath.
    virtual std::int32_t Attach(std::wstring_view filter, std::wstring_view volumePath, std::wstring_view instance) = 0;
    // Detaches the filter's instance (any) from the volume at volumePath.
    virtual std::int32_t Detach(std::wstring_view filter, std::wstring_view volumePath) = 0;
    virtual std::int32_t Unload(std::wstring_view filter) = 0;
};

} // namespace trackkit
