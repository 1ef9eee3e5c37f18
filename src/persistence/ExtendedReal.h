// The 80-bit extended real of the object stream: 64-bit significand with an explicit integer bit,
// then 15 bits of exponent (bias 16383) and the sign, little-endian. The conversion is exact and
// portable: it never relies on the compiler's long double.
#pragma once

#include <array>
#include <cstdint>

namespace zelto {

using TExtendedBytes = std::array<std::uint8_t, 10>;

// Exact: every double has an extended form.
TExtendedBytes doubleToExtended(double value);
// Rounds to the nearest double, ties to even; too large values become infinities, too small ones
// denormals or zero; infinities, NaN (quiet, payload kept where it fits) and zero signs carry over.
double extendedToDouble(const TExtendedBytes& bytes);
double extendedToDouble(const std::uint8_t* bytes);

} // namespace zelto
