#pragma once

#include <cstdint>

namespace trackkit {

// Colours in Windows' own layout, 0x00BBGGRR.
using StripeColor = std::uint32_t;

// The colours of list-view rows inside a splitter: even rows on the window
// colour, odd rows on a stripe a shade towards the text colour.
struct RowStripeColors {
    StripeColor text = 0x00000000;
    StripeColor window = 0x00FFFFFF;
    StripeColor stripe = 0x00FAFAFA;
};

// Per channel 98 % window and 2 % text, rounded:
// ((49 x window + text) x 2 + 50) / 100. White over black text gives 250.
StripeColor StripeColorFor(StripeColor window, StripeColor text);

RowStripeColors MakeRowStripeColors(StripeColor window, StripeColor text);

StripeColor RowBackground(const RowStripeColors& colors, std::uint64_t itemIndex);

} // namespace trackkit
