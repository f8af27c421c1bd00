#include "widgets/row_stripes.h"

#include <initializer_list>

namespace trackkit {
namespace {

unsigned Channel(StripeColor color, int shift)
{
    return (color >> shift) & 0xFFu;
}

unsigned MixChannel(unsigned window, unsigned text)
{
    return ((49 * window + text) * 2 + 50) / 100;
}

} // namespace

StripeColor StripeColorFor(StripeColor window, StripeColor text)
{
    StripeColor stripe = 0;
    for (const int shift : {0, 8, 16})
        stripe |= MixChannel(Channel(window, shift), Channel(text, shift)) << shift;
    return stripe;
}

RowStripeColors MakeRowStripeColors(StripeColor window, StripeColor text)
{
    return {text, window, StripeColorFor(window, text)};
}

StripeColor RowBackground(const RowStripeColors& colors, std::uint64_t itemIndex)
{
    return itemIndex % 2 == 0 ? colors.window : colors.stripe;
}

} // namespace trackkit
