// Extended: the x87 80-bit real (64-bit significand, rounding to nearest with halves to even)
// in software, for targets whose long double is another format (arm64: 128-bit; others: a
// double). Each operation rounds once, as the x87 unit does, so a sequence of operations gives
// the x87 result to the last bit. The layouts only meet finite values of modest size: the
// exponent has no practical limit, and no infinities or NaNs arise.
#pragma once

#include <compare>
#include <concepts>
#include <cstdint>
#include <type_traits>

namespace ambervale {

class Extended {
 public:
  constexpr Extended() = default;

  template <std::integral Integer>
  constexpr Extended(Integer value) {  // NOLINT: exact, implicit like a built-in conversion
    if (value == 0) return;
    negative_ = value < 0;
    uint64_t magnitude = negative_ ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const int shift = __builtin_clzll(magnitude);
    significand_ = magnitude << shift;
    exponent_ = -shift;
  }

  // The nearest value, halves to even (long double constants and library results). A value
  // that is not finite becomes 0.
  constexpr Extended(long double value) {  // NOLINT: implicit like a built-in conversion
    if (!(value == value) || value - value != 0 || value == 0) return;
    negative_ = value < 0;
    long double magnitude = negative_ ? -value : value;
    int exponent = 0;
    // Scale into [2^63, 2^64): multiplying by powers of two is exact.
    if (std::is_constant_evaluated()) {
      while (magnitude >= 0x1p64L) magnitude *= 0x1p-1L, ++exponent;
      while (magnitude < 0x1p63L) magnitude *= 0x1p1L, --exponent;
    } else {
      magnitude = __builtin_ldexpl(__builtin_frexpl(magnitude, &exponent), 64);
      exponent -= 64;
    }
    const uint64_t whole = static_cast<uint64_t>(magnitude);
    const long double fraction = magnitude - static_cast<long double>(whole);
    *this = RoundedFrom(negative_, whole, exponent, fraction > 0.5L || (fraction == 0.5L && (whole & 1) != 0));
  }

  long double ToLongDouble() const;

  friend Extended operator+(Extended a, Extended b);
  friend Extended operator-(Extended a, Extended b) { return a + (-b); }
  friend Extended operator*(Extended a, Extended b);
  friend Extended operator/(Extended a, Extended b);  // a zero divisor gives 0
  friend constexpr Extended operator-(Extended a) {
    if (a.significand_ != 0) a.negative_ = !a.negative_;
    return a;
  }
  friend constexpr bool operator==(const Extended&, const Extended&) = default;
  friend std::strong_ordering operator<=>(const Extended& a, const Extended& b);

  friend Extended Abs(Extended a) {
    a.negative_ = false;
    return a;
  }
  friend Extended Sqrt(Extended a);  // a negative operand gives 0
  // Nearest integer, halves to even, saturating at the int32 limits.
  friend int32_t Round(Extended a);

  // The parts of a nonzero value: (-1)^negative x significand x 2^exponent, the significand's
  // top bit set. Zero has a zero significand.
  bool negative() const { return negative_; }
  int32_t exponent() const { return exponent_; }
  uint64_t significand() const { return significand_; }
  static Extended FromParts(bool negative, int32_t exponent, uint64_t significand);

 private:
  // significand x 2^exponent rounded up by one unit when round_up is set.
  static constexpr Extended RoundedFrom(bool negative, uint64_t significand, int32_t exponent, bool round_up) {
    Extended result;
    result.negative_ = negative;
    result.significand_ = significand;
    result.exponent_ = exponent;
    if (round_up && ++result.significand_ == 0) {  // carried past the top: 2^64
      result.significand_ = uint64_t{1} << 63;
      ++result.exponent_;
    }
    return result;
  }
  // bits x 2^exponent (bits nonzero), and a little more when `inexact`, rounded to 64 bits.
  static Extended Rounded(bool negative, unsigned __int128 bits, int32_t exponent, bool inexact);

  bool negative_ = false;
  int32_t exponent_ = 0;
  uint64_t significand_ = 0;
};

// Also for arguments that only convert to Extended (Round(12.5L)).
Extended Sqrt(Extended a);
int32_t Round(Extended a);

}  // namespace ambervale
