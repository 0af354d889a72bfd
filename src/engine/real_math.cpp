#include "engine/real_math.h"

#include <cmath>
#include <limits>

#include "engine/rounded_functions.h"

namespace ambervale {
namespace {

#if LDBL_MANT_DIG == 64
// Taking a finite long double apart and putting it together again are exact.
RealParts PartsOf(long double x) {
  int exponent = 0;
  const long double fraction = std::frexp(std::fabs(x), &exponent);  // in [1/2, 1)
  return {std::signbit(x), exponent - 64, static_cast<uint64_t>(std::ldexp(fraction, 64))};
}

long double RealOf(const RealParts& parts) {
  const long double magnitude = std::ldexp(static_cast<long double>(parts.significand), parts.exponent);
  return parts.negative ? -magnitude : magnitude;
}

bool IsFiniteNonzero(long double x) { return std::isfinite(x) && x != 0; }

// log of zero, of a negative number, of infinity and of NaN: as the C library answers.
long double LogOfSpecial(long double x) { return std::log(x); }
#else
RealParts PartsOf(const Extended& x) { return {x.negative(), x.exponent(), x.significand()}; }

Extended RealOf(const RealParts& parts) {
  return Extended::FromParts(parts.negative, parts.exponent, parts.significand);
}

bool IsFiniteNonzero(const Extended& x) { return x.significand() != 0; }

Extended LogOfSpecial(const Extended&) { return Extended(); }
#endif

}  // namespace

// sin(+-0) = +-0, cos 0 = 1; the x86 reals' infinities and NaNs give NaN, as x - x does.
Real Sin(Real x) {
  if (IsFiniteNonzero(x)) return RealOf(RoundedSin(PartsOf(x)));
  return x == Real(0) ? x : x - x;
}

Real Cos(Real x) {
  if (IsFiniteNonzero(x)) return RealOf(RoundedCos(PartsOf(x)));
  return x == Real(0) ? Real(1) : x - x;
}

Real Log(Real x) { return IsFiniteNonzero(x) && x > Real(0) ? RealOf(RoundedLog(PartsOf(x))) : LogOfSpecial(x); }

}  // namespace ambervale
