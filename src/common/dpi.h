#pragma once

namespace trackkit {

// n * numerator / denominator rounded to the nearest integer, halves away from
// zero, computed in 64 bits; -1 when the denominator is 0. Same contract as
// Windows' MulDiv, so that core geometry matches what the window would compute.
int MulDiv(int n, int numerator, int denominator);

// A length of n pixels at 96 DPI, scaled to the given DPI.
inline int ScaleForDpi(int n, int dpi) { return MulDiv(n, dpi, 96); }

} // namespace trackkit
