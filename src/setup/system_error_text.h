#pragma once

#include <cstdint>
#include <string>

namespace trackkit {

// The system's own words for one of its error codes.
class SystemErrorText {
public:
    virtual ~SystemErrorText() = default;
    // Never empty: a code the system has no text for is described by its number.
    virtual std::wstring Describe(std::uint32_t error) = 0;
};

} // namespace trackkit
