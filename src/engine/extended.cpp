#include "engine/extended.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace ambervale {
namespace {

using Wide = unsigned __int128;

int BitLength(Wide bits) {
  const uint64_t high = static_cast<uint64_t>(bits >> 64);
  return high != 0 ? 128 - __builtin_clzll(high) : 64 - __builtin_clzll(static_cast<uint64_t>(bits));
}

Wide LowBits(Wide bits, int count) { return count >= 128 ? bits : bits & ((Wide{1} << count) - 1); }

// Floor of the square root of a value in [2^126, 2^128): the floating-point root, corrected.
uint64_t IntegerSqrt(Wide value) {
  uint64_t root = static_cast<uint64_t>(std::min(std::sqrt(static_cast<long double>(value)), 0x1p64L - 1));
  while (Wide{root} * root > value) --root;
  while (root != ~uint64_t{0} && Wide{root + 1} * (root + 1) <= value) ++root;
  return root;
}

}  // namespace

Extended Extended::FromParts(bool negative, int32_t exponent, uint64_t significand) {
  Extended result;
  if (significand == 0) return result;
  const int shift = __builtin_clzll(significand);
  result.negative_ = negative;
  result.significand_ = significand << shift;
  result.exponent_ = exponent - shift;
  return result;
}

Extended Extended::Rounded(bool negative, Wide bits, int32_t exponent, bool inexact) {
  const int extra = BitLength(bits) - 64;
  if (extra <= 0) return FromParts(negative, exponent, static_cast<uint64_t>(bits));
  const uint64_t kept = static_cast<uint64_t>(bits >> extra);
  const Wide dropped = LowBits(bits, extra);
  const Wide half = Wide{1} << (extra - 1);
  const bool round_up = dropped > half || (dropped == half && (inexact || (kept & 1) != 0));
  return RoundedFrom(negative, kept, exponent + extra, round_up);
}

long double Extended::ToLongDouble() const {
  const long double magnitude = std::ldexp(static_cast<long double>(significand_), exponent_);
  return negative_ ? -magnitude : magnitude;
}

std::strong_ordering operator<=>(const Extended& a, const Extended& b) {
  if (a.significand_ == 0 || b.significand_ == 0 || a.negative_ != b.negative_) {
    const auto sign = [](const Extended& x) { return x.significand_ == 0 ? 0 : x.negative_ ? -1 : 1; };
    if (sign(a) != sign(b)) return sign(a) <=> sign(b);
    return std::strong_ordering::equal;  // both zero
  }
  const auto magnitude = a.exponent_ != b.exponent_ ? a.exponent_ <=> b.exponent_ : a.significand_ <=> b.significand_;
  return a.negative_ ? 0 <=> magnitude : magnitude;
}

Extended operator+(Extended a, Extended b) {
  if (a.significand_ == 0) return b;
  if (b.significand_ == 0) return a;
  if (Abs(a) < Abs(b)) std::swap(a, b);
  // 63 spare bits below each significand keep the sum inside 128 bits; what the shift of the
  // smaller operand drops only matters as "a little more" (its exact size cannot change the
  // rounding once 63 bits lie between it and the result's last bit).
  const Wide larger = Wide{a.significand_} << 63;
  const Wide full_smaller = Wide{b.significand_} << 63;
  const int64_t shift = static_cast<int64_t>(a.exponent_) - b.exponent_;
  const Wide smaller = shift >= 128 ? 0 : full_smaller >> shift;
  const bool dropped = shift >= 128 || LowBits(full_smaller, static_cast<int>(shift)) != 0;
  const int32_t exponent = a.exponent_ - 63;
  if (a.negative_ == b.negative_) return Extended::Rounded(a.negative_, larger + smaller, exponent, dropped);
  // larger - (smaller + a fraction) = (larger - smaller - 1) + (1 - the fraction).
  const Wide difference = larger - smaller - (dropped ? 1 : 0);
  if (difference == 0) return Extended();
  return Extended::Rounded(a.negative_, difference, exponent, dropped);
}

Extended operator*(Extended a, Extended b) {
  if (a.significand_ == 0 || b.significand_ == 0) return Extended();
  return Extended::Rounded(a.negative_ != b.negative_, Wide{a.significand_} * b.significand_, a.exponent_ + b.exponent_,
                           false);
}

Extended operator/(Extended a, Extended b) {
  if (a.significand_ == 0 || b.significand_ == 0) return Extended();
  const Wide numerator = Wide{a.significand_} << 64;
  Wide quotient = numerator / b.significand_;
  Wide remainder = numerator % b.significand_;
  // Two more quotient bits: 66 or more in all, enough to round with the remainder as the rest.
  for (int bit = 0; bit < 2; ++bit) {
    remainder <<= 1;
    quotient <<= 1;
    if (remainder >= b.significand_) {
      remainder -= b.significand_;
      quotient |= 1;
    }
  }
  return Extended::Rounded(a.negative_ != b.negative_, quotient, a.exponent_ - 66 - b.exponent_, remainder != 0);
}

Extended Sqrt(Extended a) {
  if (a.significand_ == 0 || a.negative_) return Extended();
  // An even power of two outside the root; the radicand in [2^126, 2^128) gives a 64-bit root.
  const int shift = (a.exponent_ % 2 == 0) ? 64 : 63;
  const Wide radicand = Wide{a.significand_} << shift;
  const uint64_t root = IntegerSqrt(radicand);
  // The exact root is never a half-way value; it lies above root + 1/2 when the radicand
  // exceeds root^2 + root.
  const bool round_up = radicand > Wide{root} * root + root;
  return Extended::RoundedFrom(false, root, (a.exponent_ - shift) / 2, round_up);
}

int32_t Round(Extended a) {
  if (a.significand_ == 0 || a.exponent_ < -65) return 0;  // below 1/4 in size
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t magnitude = kMax + 1;  // anything of 2^63 and above
  if (a.exponent_ < 0) {
    const int shift = -a.exponent_;
    const Wide bits = a.significand_;
    const uint64_t whole = static_cast<uint64_t>(bits >> shift);
    const Wide rest = LowBits(bits, shift);
    const Wide half = Wide{1} << (shift - 1);
    const bool round_up = rest > half || (rest == half && (whole & 1) != 0);
    magnitude = static_cast<int64_t>(std::min<uint64_t>(whole + (round_up ? 1 : 0), kMax + 1));
  }
  const int64_t value = a.negative_ ? -magnitude : magnitude;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), kMax));
}

}  // namespace ambervale
