#pragma once

#include <windows.h>

#include <string>

#include "settings/service_key.h"
#include "settings/win32/registry_store.h"

namespace trackkit {

// The tracking driver's service key in the registry (by default
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\qxcbt).
class RegistryServiceKey final : public ServiceKey {
public:
    explicit RegistryServiceKey(std::wstring subKeyPath = std::wstring(kServiceKeyPath),
                                HKEY root = HKEY_LOCAL_MACHINE);

    bool OpenForQuery() override;
    ServiceValue Query(std::wstring_view name) override;
    void Close() override;
    std::uint32_t WriteDword(std::wstring_view name, std::uint32_t value) override;

private:
    HKEY root_;
    std::wstring subKeyPath_;
    UniqueRegistryKey queryKey_;
};

} // namespace trackkit
