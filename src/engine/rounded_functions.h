// Sin, Cos and Log of an extended real, exactly rounded to its 64-bit significand (to nearest,
// halves to even), computed in integer arithmetic alone: the same bits on every processor,
// target and build, where the C library's results differ in the last bit from one x86-64 model
// to another.
#pragma once

#include <cstdint>

namespace ambervale {

// A finite real as (-1)^negative x significand x 2^exponent. A nonzero value has the
// significand's top bit set; zero has a zero significand.
struct RealParts {
  bool negative = false;
  int32_t exponent = 0;
  uint64_t significand = 0;
};

// Each result is the extended real nearest to the exact value of the function. Exact for
// |x| < 2^400: the layouts' angles stay far below 2^10. Beyond, sin and cos reduce their
// argument with the 1024 bits of 2/pi they hold, a result in [-1, 1] that is the same
// everywhere but no longer the exact one.
RealParts RoundedSin(RealParts x);
RealParts RoundedCos(RealParts x);
// x > 0; the caller answers zero and negative arguments.
RealParts RoundedLog(RealParts x);

}  // namespace ambervale
