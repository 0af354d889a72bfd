// Sin, Cos and Log of the software extended reals: the target's quadruple-precision long
// double rounded to 64 bits is the exact result; where the x86-64 C library's differs from it
// (by an ulp, in about one case in sixty), the table holds the library's.
#include <cfloat>

#if LDBL_MANT_DIG != 64 && !defined(AMBERVALE_REAL_MATH_PROBE)
#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

#include "engine/real_math.h"

namespace ambervale {
namespace {

// The library's result is the exact one moved by `ulps` units in its last place.
struct LibraryCorrection {
  char function;  // 's' sin, 'c' cos, 'l' log
  bool negative;  // of the argument
  int32_t exponent;
  uint64_t significand;
  int32_t ulps;
};

constexpr LibraryCorrection kCorrections[] = {
#include "engine/library_corrections.inc"
};

auto KeyOf(const LibraryCorrection& c) { return std::tie(c.function, c.negative, c.exponent, c.significand); }

Real Corrected(char function, Real argument, long double exact) {
  const Real result = exact;
  const LibraryCorrection probe{function, argument.negative(), argument.exponent(), argument.significand(), 0};
  const auto found = std::lower_bound(std::begin(kCorrections), std::end(kCorrections), probe,
                                      [](const auto& a, const auto& b) { return KeyOf(a) < KeyOf(b); });
  if (found == std::end(kCorrections) || KeyOf(*found) != KeyOf(probe)) return result;
  return Extended::FromParts(result.negative(), result.exponent(),
                             result.significand() + static_cast<uint64_t>(static_cast<int64_t>(found->ulps)));
}

}  // namespace

Real Sin(Real x) { return Corrected('s', x, std::sin(x.ToLongDouble())); }
Real Cos(Real x) { return Corrected('c', x, std::cos(x.ToLongDouble())); }
Real Log(Real x) { return Corrected('l', x, std::log(x.ToLongDouble())); }

}  // namespace ambervale
#endif
