#pragma once

#include <cstdint>
#include <string_view>

namespace trackkit {

// The tracking driver's service key, below HKEY_LOCAL_MACHINE.
inline constexpr std::wstring_view kServiceKeyPath = L"System\\CurrentControlSet\\Services\\qxcbt";

inline constexpr std::uint32_t kRegistryTypeDword = 4;  // REG_DWORD
inline constexpr std::uint32_t kRegistryDwordBytes = 4;

// What a query of one value returned. The number is the four-byte buffer the
// value was read into, preset to 0; type and size are as the registry
// reported them.
struct ServiceValue {
    bool read = false;  // the query itself succeeded
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::uint32_t number = 0;
};

// The values of the tracking driver's service key: the registry on Windows,
// a script in tests.
class ServiceKey {
public:
    virtual ~ServiceKey() = default;
    // Opens the key for querying values; false when it cannot be opened.
    virtual bool OpenForQuery() = 0;
    // Queries a value of the key opened by OpenForQuery into a buffer of
    // four bytes.
    virtual ServiceValue Query(std::wstring_view name) = 0;
    virtual void Close() = 0;
    // Opens the key for setting values, stores a REG_DWORD of four bytes and
    // closes the key again. 0 when the value was stored, otherwise the
    // system's error code of the open or of the write.
    virtual std::uint32_t WriteDword(std::wstring_view name, std::uint32_t value) = 0;
};

} // namespace trackkit
