#include "engine/rounded_functions.h"

#include <gtest/gtest.h>

#include "engine/real_math.h"

namespace ambervale {
namespace {

struct Case {
  char function;  // 's' sin, 'c' cos, 'l' log
  RealParts argument;
  RealParts expected;
};

// Expected values from an independent evaluation in rationals of over 1,300 bits (sin and cos
// by their series without reduction, log in decimal), rounded to 64 bits by hand.
constexpr uint64_t kOne = uint64_t{1} << 63;
constexpr Case kHardCases[] = {
    // Next to multiples of pi/2: the nearest extended reals to pi/2, pi, 3 pi/2 and their neighbours.
    {'s', {false, -63, 0xc90fdaa22168c234}, {false, -63, kOne}},
    {'c', {false, -63, 0xc90fdaa22168c234}, {false, -127, 0xc4c6628b80dc1cd1}},
    {'c', {false, -63, 0xc90fdaa22168c235}, {true, -129, 0xece675d1fc8f8cbb}},
    {'s', {false, -62, 0xc90fdaa22168c235}, {true, -128, 0xece675d1fc8f8cbb}},
    {'s', {false, -62, 0xc90fdaa22168c236}, {true, -125, 0x9d9cceba3f91f197}},
    {'c', {false, -61, 0x96cbe3f9990e91a8}, {false, -126, 0xd8d66c2ebeb5d4c6}},
    {'s', {false, -61, 0x96cbe3f9990e91a9}, {true, -63, kOne}},
    // The largest angles of the row wave: 200 pi and 409 pi.
    {'s', {false, -54, 0x9d1462ceaa19d7b9}, {true, -120, 0xe6ebf3f3f2afda0e}},
    {'c', {false, -53, 0xa09d2a2683b02f23}, {true, -63, kOne}},
    {'s', {false, -53, 0xa09d2a2683b02f23}, {false, -119, 0x9cc1e6e1c1bf5414}},
    // Below 2^-33 sin x is x and cos x is 1; just above, the series.
    {'s', {true, -97, 0xffffffffffffffff}, {true, -97, 0xffffffffffffffff}},
    {'c', {true, -97, 0xffffffffffffffff}, {false, -63, kOne}},
    {'s', {true, -74, 0xb8aa3b295c17f0bc}, {true, -74, 0xb8aa3a291f5983f7}},
    {'c', {false, -74, 0xb8aa3b295c17f0bc}, {false, -64, 0xfffffbd656d0f2b0}},
    // Next to 1, where the result lies just below a power of two, and at the switch to sqrt(1/2).
    {'l', {false, -63, 0x8000000000000001}, {false, -127, 0xffffffffffffffff}},
    {'l', {false, -64, 0xffffffffffffffff}, {true, -127, kOne}},
    {'l', {false, -64, 0xffffffff00000000}, {true, -95, 0x8000000040000000}},
    {'l', {false, -63, 0xb504f333f9de6484}, {false, -65, 0xb17217f7d1cf79ab}},
    {'l', {false, -63, 0xb504f333f9de6485}, {false, -65, 0xb17217f7d1cf79ae}},
    // The extremes: the largest and smallest normal extended reals, and 0.00001.
    {'l', {false, 16320, 0xffffffffffffffff}, {false, -50, 0xb17217f7d1cf79ac}},
    {'l', {false, -16445, kOne}, {true, -50, 0xb16c8c671210eb30}},
    {'l', {false, -80, 0xa7c5ac471b478423}, {true, -60, 0xb834f1551552d71d}},
};

TEST(RoundedFunctionsTest, HardArgumentsRoundExactly) {
  for (const Case& c : kHardCases) {
    const RealParts result = c.function == 's'   ? RoundedSin(c.argument)
                             : c.function == 'c' ? RoundedCos(c.argument)
                                                 : RoundedLog(c.argument);
    EXPECT_EQ(result.negative, c.expected.negative) << c.function << std::hex << c.argument.significand;
    EXPECT_EQ(result.exponent, c.expected.exponent) << c.function << std::hex << c.argument.significand;
    EXPECT_EQ(result.significand, c.expected.significand) << c.function << std::hex << c.argument.significand;
  }
}

// The reals' own functions: zero, one and the layouts' constants go through the same rounding.
TEST(RoundedFunctionsTest, RealFunctionsKeepZerosAndOne) {
  EXPECT_TRUE(Sin(Real(0)) == Real(0));
  EXPECT_TRUE(Cos(Real(0)) == Real(1));
  EXPECT_TRUE(Log(Real(1)) == Real(0));
  EXPECT_TRUE(Sin(kHalfPi) == Real(1));
  EXPECT_TRUE(Cos(kPi) == Real(-1));
}

}  // namespace
}  // namespace ambervale
