#pragma once

#include <cstdint>

namespace trackkit {

// Windows error codes that more than one subsystem tells apart.

// The answer did not fit in the caller's buffer; a larger one may succeed.
inline constexpr std::uint32_t kErrorMoreData = 234;

} // namespace trackkit
