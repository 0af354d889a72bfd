// Arithmetic conventions of the layouts: 80-bit extended reals, rounding halves to even,
// integer division truncating toward zero.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/extended.h"

namespace ambervale {

#if LDBL_MANT_DIG == 64
using Real = long double;  // 80-bit extended on x86-64 g++ and mingw-w64
#else
using Real = Extended;  // the same values, computed in software
#endif

// Each multiple of pi is one constant, the extended value nearest to it.
inline constexpr Real kPi = 3.141592653589793238462643383279502884L;
inline constexpr Real kHalfPi = 1.570796326794896619231321691639751442L;
inline constexpr Real kTwoPi = 6.283185307179586476925286766559005768L;
inline constexpr Real kThreePi = 9.424777960769379715387930149838508653L;
inline constexpr Real kFourPi = 12.56637061435917295385057353311801154L;

// sin, cos and the natural logarithm, exactly rounded to the extended reals
// (engine/rounded_functions.h): the same bits on every processor and target. Where the reals
// have infinities and NaNs (long double), those and the logarithm of zero or of a negative
// number are the C library's; the software reals have none, and a logarithm of zero or of a
// negative number there is 0.
Real Sin(Real x);
Real Cos(Real x);
Real Log(Real x);

#if LDBL_MANT_DIG == 64
inline Real Sqrt(Real x) { return std::sqrt(x); }
inline Real Abs(Real x) { return std::fabs(x); }

// Nearest integer, halves to the even neighbour. Values beyond int32 saturate rather than
// overflow (no layout of a real screen comes near them).
inline int32_t Round(Real value) {
  if (std::isnan(value)) return 0;
  // rint, not nearbyint: same result in the default mode (to nearest, ties to even), without
  // saving and restoring the floating-point environment on every call.
  Real nearest = std::rint(value);
  if (nearest >= static_cast<Real>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (nearest <= static_cast<Real>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(nearest);
}
#endif

// Integer division truncating toward zero; a zero divisor yields 0 instead of a fault.
inline int32_t Div(int32_t numerator, int32_t denominator) {
  if (denominator == 0) return 0;
  if (denominator == -1) return static_cast<int32_t>(-static_cast<int64_t>(numerator));
  return numerator / denominator;
}

}  // namespace ambervale
