#include "engine/rounded_functions.h"

#include <array>
#include <cstdlib>
#include <optional>

namespace ambervale {
namespace {

using Wide = unsigned __int128;

// A nonnegative fixed-point number of N 64-bit limbs, the least significant first: the top limb
// is the whole part, the N - 1 below it the fraction. Every operation truncates, by less than
// one unit of the last fraction bit.
template <int N>
struct Fixed {
  static constexpr int kFractionBits = 64 * (N - 1);
  std::array<uint64_t, N> limb{};
};

template <int N>
bool IsZero(const Fixed<N>& a) {
  for (const uint64_t limb : a.limb)
    if (limb != 0) return false;
  return true;
}

template <int N>
bool Less(const Fixed<N>& a, const Fixed<N>& b) {
  for (int i = N - 1; i >= 0; --i)
    if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i];
  return false;
}

template <int N>
Fixed<N> Add(Fixed<N> a, const Fixed<N>& b) {
  Wide carry = 0;
  for (int i = 0; i < N; ++i) {
    carry += Wide{a.limb[i]} + b.limb[i];
    a.limb[i] = static_cast<uint64_t>(carry);
    carry >>= 64;
  }
  return a;
}

template <int N>
Fixed<N> Subtract(Fixed<N> a, const Fixed<N>& b) {  // a >= b
  uint64_t borrow = 0;
  for (int i = 0; i < N; ++i) {
    const Wide difference = Wide{a.limb[i]} - b.limb[i] - borrow;
    a.limb[i] = static_cast<uint64_t>(difference);
    borrow = static_cast<uint64_t>(difference >> 64) & 1;
  }
  return a;
}

template <int N>
Fixed<N> Multiply(const Fixed<N>& a, const Fixed<N>& b) {
  std::array<uint64_t, 2 * N> product{};
  for (int i = 0; i < N; ++i) {
    if (a.limb[i] == 0) continue;
    Wide carry = 0;
    for (int j = 0; j < N; ++j) {
      carry += Wide{a.limb[i]} * b.limb[j] + product[i + j];
      product[i + j] = static_cast<uint64_t>(carry);
      carry >>= 64;
    }
    product[i + N] = static_cast<uint64_t>(carry);
  }
  Fixed<N> result;  // the product's fraction limbs below N - 1 are dropped
  for (int i = 0; i < N; ++i) result.limb[i] = product[i + N - 1];
  return result;
}

template <int N>
Fixed<N> MultiplySmall(Fixed<N> a, uint64_t factor) {
  Wide carry = 0;
  for (int i = 0; i < N; ++i) {
    carry += Wide{a.limb[i]} * factor;
    a.limb[i] = static_cast<uint64_t>(carry);
    carry >>= 64;
  }
  return a;
}

// The series' divisors stay below 2^32: each limb is divided in two halves of 32 bits, by the
// processor's own 64-bit division (a 128-bit one is a library call, slow under emulation).
template <int N>
Fixed<N> DivideSmall(Fixed<N> a, uint32_t divisor) {
  uint64_t remainder = 0;
  for (int i = N - 1; i >= 0; --i) {
    const uint64_t high = (remainder << 32) | (a.limb[i] >> 32);
    remainder = high % divisor;
    const uint64_t low = (remainder << 32) | (a.limb[i] & 0xffffffff);
    remainder = low % divisor;
    a.limb[i] = ((high / divisor) << 32) | (low / divisor);
  }
  return a;
}

// numerator / denominator, both below 2^66 and the quotient below 1, one bit at a time.
template <int N>
Fixed<N> Quotient(Wide numerator, Wide denominator) {
  Fixed<N> quotient;
  for (int bit = Fixed<N>::kFractionBits - 1; bit >= 0; --bit) {
    numerator <<= 1;
    if (numerator >= denominator) {
      numerator -= denominator;
      quotient.limb[bit / 64] |= uint64_t{1} << (bit % 64);
    }
  }
  return quotient;
}

template <int N>
Fixed<N> One() {
  Fixed<N> one;
  one.limb[N - 1] = 1;
  return one;
}

// The constants, their fraction bits from the most significant down, truncated (2/pi and pi/2 from
// Machin's formula, ln 2 from 2 atanh(1/3), in integers of 1300 bits).
constexpr std::array<uint64_t, 16> kTwoOverPi = {
    0xa2f9836e4e441529, 0xfc2757d1f534ddc0, 0xdb6295993c439041, 0xfe5163abdebbc561,
    0xb7246e3a424dd2e0, 0x06492eea09d1921c, 0xfe1deb1cb129a73e, 0xe88235f52ebb4484,
    0xe99c7026b45f7e41, 0x3991d639835339f4, 0x9c845f8bbdf9283b, 0x1ff897ffde05980f,
    0xef2f118b5a0a6d1f, 0x6d367ecf27cb09b7, 0x4f463f669e5fea2d, 0x7527bac7ebe5f17b};
constexpr std::array<uint64_t, 8> kHalfPiFraction = {  // pi/2 = 1 + this
    0x921fb54442d18469, 0x898cc51701b839a2, 0x52049c1114cf98e8, 0x04177d4c76273644,
    0xa29410f31c6809bb, 0xdf2a33679a748636, 0x605614dbe4be286e, 0x9fc26adadaa3848b};
constexpr std::array<uint64_t, 8> kLn2 = {0xb17217f7d1cf79ab, 0xc9e3b39803f2f6af, 0x40f343267298b62d,
                                          0x8a0d175b8baafa2b, 0xe7b876206debac98, 0x559552fb4afa1b10,
                                          0xed2eae35c1382144, 0x27573b291169b825};
constexpr uint64_t kSqrtTwoSignificand = 0xb504f333f9de6484;  // floor(sqrt(2) x 2^63)

template <int N>
Fixed<N> Constant(uint64_t whole, const std::array<uint64_t, 8>& fraction) {
  static_assert(N - 1 <= 8);
  Fixed<N> value;
  value.limb[N - 1] = whole;
  for (int i = 0; i < N - 1; ++i) value.limb[N - 2 - i] = fraction[i];
  return value;
}

template <int N>
int TopBit(const Fixed<N>& a) {
  for (int i = N - 1; i >= 0; --i)
    if (a.limb[i] != 0) return 64 * i + 63 - __builtin_clzll(a.limb[i]);
  return -1;
}

// The 64 bits of `limbs` from bit `low` up; bits outside the limbs are zeros.
template <size_t Size>
uint64_t BitsFrom(const std::array<uint64_t, Size>& limbs, int low) {
  auto limb = [&](int i) { return i >= 0 && i < static_cast<int>(Size) ? limbs[i] : uint64_t{0}; };
  const int index = low >= 0 ? low / 64 : (low - 63) / 64;
  const int shift = low - 64 * index;
  if (shift == 0) return limb(index);
  return (limb(index) >> shift) | (limb(index + 1) << (64 - shift));
}

template <int N>
Fixed<N> LowBits(Fixed<N> a, int count) {  // the bits below `count`, 0 < count < 64 N
  for (int i = 0; i < N; ++i) {
    const int kept = count - 64 * i;
    if (kept <= 0)
      a.limb[i] = 0;
    else if (kept < 64)
      a.limb[i] &= (uint64_t{1} << kept) - 1;
  }
  return a;
}

// The extended real nearest to a value known within `error` units of its last bit, or nothing
// when the value lies too close to a halfway point between two extended reals to tell (or
// holds fewer than 64 bits), unless `force`: then the value rounds as it stands.
template <int N>
std::optional<RealParts> Rounded(const Fixed<N>& magnitude, bool negative, uint64_t error, bool force) {
  const int top = TopBit(magnitude);
  if (top < 0) return RealParts{};
  const int low = top - 63;
  const int32_t exponent = low - Fixed<N>::kFractionBits;
  if (low <= 0) {
    if (!force) return std::nullopt;
    return RealParts{negative, exponent, magnitude.limb[0] << -low};
  }
  uint64_t significand = BitsFrom(magnitude.limb, low);
  const Fixed<N> rest = LowBits(magnitude, low);
  Fixed<N> half;
  half.limb[(low - 1) / 64] = uint64_t{1} << ((low - 1) % 64);
  const bool above_half = Less(half, rest);
  const Fixed<N> distance = above_half ? Subtract(rest, half) : Subtract(half, rest);
  Fixed<N> tolerance;
  tolerance.limb[0] = error;
  if (!force && !Less(tolerance, distance)) return std::nullopt;
  const bool at_half = IsZero(distance);
  if (!(above_half || (at_half && (significand & 1) != 0))) return RealParts{negative, exponent, significand};
  if (++significand == 0) return RealParts{negative, exponent + 1, uint64_t{1} << 63};
  return RealParts{negative, exponent, significand};
}

// Every evaluation's error stays within this many units of its last bit (a few per series term;
// log adds one per power of two of its argument's scale, counted on top).
constexpr uint64_t kSeriesError = 1 << 12;

// Below 2^-33, sin x is x and cos x is 1 once rounded: x^3 / 6 and x^2 / 2 stay under a quarter
// of the result's last place.
constexpr int32_t kTinyExponent = -33 - 63;

// |x| x 2/pi = quadrant + r x 2/pi, |r| <= pi/4: the quadrant modulo 4 and r.
template <int N>
struct Reduced {
  int quadrant = 0;
  bool negative = false;
  Fixed<N> magnitude;
};

template <int N>
Reduced<N> Reduce(const RealParts& x) {
  // |x| x 2/pi = significand x T x 2^(exponent - 1024), T = floor(2/pi x 2^1024); the product's
  // bit of weight 2^w is its bit w + 1024 - exponent.
  std::array<uint64_t, 17> product{};
  Wide carry = 0;
  for (int i = 0; i < 16; ++i) {
    carry += Wide{x.significand} * kTwoOverPi[15 - i];
    product[i] = static_cast<uint64_t>(carry);
    carry >>= 64;
  }
  product[16] = static_cast<uint64_t>(carry);
  const int units = 1024 - x.exponent;  // the bit of weight 2^0
  Reduced<N> reduced;
  reduced.quadrant = static_cast<int>(BitsFrom(product, units) & 3);
  Fixed<N> fraction;
  for (int i = 0; i < N - 1; ++i) fraction.limb[i] = BitsFrom(product, units - Fixed<N>::kFractionBits + 64 * i);
  if ((fraction.limb[N - 2] >> 63) != 0) {  // past one half: measured back from the next quadrant
    fraction = Subtract(One<N>(), fraction);
    reduced.negative = true;
    reduced.quadrant = (reduced.quadrant + 1) & 3;
  }
  reduced.magnitude = Multiply(fraction, Constant<N>(1, kHalfPiFraction));
  return reduced;
}

// sin r or cos r (r <= pi/4) by their Taylor series, whose terms fall by r^2 / (k (k + 1)).
template <int N>
Fixed<N> Series(const Fixed<N>& r, bool sine) {
  const Fixed<N> square = Multiply(r, r);
  Fixed<N> term = sine ? r : One<N>();
  Fixed<N> added = term;
  Fixed<N> taken;
  bool take = true;
  for (uint32_t k = sine ? 2 : 1;; k += 2, take = !take) {
    term = DivideSmall(Multiply(term, square), k * (k + 1));
    if (IsZero(term)) break;
    if (take)
      taken = Add(taken, term);
    else
      added = Add(added, term);
  }
  return Subtract(added, taken);
}

// sin(quadrant x pi/2 + r): sin r, cos r, -sin r, -cos r.
template <int N>
std::optional<RealParts> SineOfReduced(const Reduced<N>& reduced, bool force) {
  const bool sine = (reduced.quadrant & 1) == 0;
  const bool negative = (reduced.quadrant >= 2) != (sine && reduced.negative);
  return Rounded(Series(reduced.magnitude, sine), negative, kSeriesError, force);
}

struct SinAt {
  template <int N>
  static std::optional<RealParts> Evaluate(const RealParts& x, bool force) {
    std::optional<RealParts> result = SineOfReduced(Reduce<N>(x), force);
    if (result) result->negative = result->negative != x.negative;
    return result;
  }
};

struct CosAt {  // cos x = sin(|x| + pi/2)
  template <int N>
  static std::optional<RealParts> Evaluate(const RealParts& x, bool force) {
    Reduced<N> reduced = Reduce<N>(x);
    reduced.quadrant = (reduced.quadrant + 1) & 3;
    return SineOfReduced(reduced, force);
  }
};

struct LogAt {
  // x = m x 2^scale with m in [sqrt(1/2), sqrt(2)); log m = 2 atanh(s), s = |m - 1| / (m + 1) <=
  // 0.172, a series whose terms fall by s^2 < 1/32.
  template <int N>
  static std::optional<RealParts> Evaluate(const RealParts& x, bool force) {
    int64_t scale = int64_t{x.exponent} + 63;
    Wide one = Wide{1} << 63;  // m = significand / one
    if (x.significand > kSqrtTwoSignificand) {
      one <<= 1;
      ++scale;
    }
    const bool below_one = x.significand < one;
    const Fixed<N> s = Quotient<N>(below_one ? one - x.significand : x.significand - one, one + x.significand);
    const Fixed<N> s_squared = Multiply(s, s);
    Fixed<N> sum = s;
    Fixed<N> power = s;
    for (uint32_t k = 3;; k += 2) {
      power = Multiply(power, s_squared);
      if (IsZero(power)) break;
      sum = Add(sum, DivideSmall(power, k));
    }
    const Fixed<N> log_m = MultiplySmall(sum, 2);
    if (scale == 0) return Rounded(log_m, below_one, kSeriesError, force);
    // |scale x ln 2| >= 0.69 > |log m|: the sign is the scale's.
    const uint64_t steps = static_cast<uint64_t>(std::llabs(scale));
    const Fixed<N> scaled = MultiplySmall(Constant<N>(0, kLn2), steps);
    const bool negative = scale < 0;
    const Fixed<N> magnitude = negative == below_one ? Add(scaled, log_m) : Subtract(scaled, log_m);
    return Rounded(magnitude, negative, kSeriesError + steps, force);
  }
};

// With 128 fraction bits almost every result is sure; the rare one near a halfway point is
// evaluated again with 256, then 512.
template <typename Function>
RealParts Evaluated(const RealParts& x) {
  if (auto result = Function::template Evaluate<3>(x, false)) return *result;
  if (auto result = Function::template Evaluate<5>(x, false)) return *result;
  return *Function::template Evaluate<9>(x, true);
}

bool IsTiny(const RealParts& x) { return x.significand == 0 || x.exponent < kTinyExponent; }

}  // namespace

RealParts RoundedSin(RealParts x) { return IsTiny(x) ? x : Evaluated<SinAt>(x); }

RealParts RoundedCos(RealParts x) {
  if (IsTiny(x)) return RealParts{false, -63, uint64_t{1} << 63};
  return Evaluated<CosAt>(x);
}

RealParts RoundedLog(RealParts x) { return Evaluated<LogAt>(x); }

}  // namespace ambervale
