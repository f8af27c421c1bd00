#include "common/dpi.h"

#include <cstdint>
#include <limits>

namespace trackkit {

int MulDiv(int n, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(n) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::uint64_t magnitude = product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor = denominator < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(denominator))
                                                  : static_cast<std::uint64_t>(denominator);
    const std::uint64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
        return -1;
    return negative ? -static_cast<int>(rounded) : static_cast<int>(rounded);
}

} // namespace trackkit
