#include "engine/extended.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <random>

#include "engine/real_math.h"

namespace ambervale {
namespace {

void ExpectParts(const Extended& value, int32_t exponent, uint64_t significand, const char* what) {
  EXPECT_EQ(value.exponent(), exponent) << what;
  EXPECT_EQ(value.significand(), significand) << what;
}

// The long double constants of the layouts, whatever the target's long double, become the
// values an x86 compiler makes of them (a second rounding from a wider format could differ).
TEST(ExtendedTest, ConstantsAreTheX87Values) {
  ExpectParts(kPi, -62, 0xc90fdaa22168c235, "pi");
  ExpectParts(kHalfPi, -63, 0xc90fdaa22168c235, "pi/2");
  ExpectParts(kTwoPi, -61, 0xc90fdaa22168c235, "2 pi");
  ExpectParts(kThreePi, -60, 0x96cbe3f9990e91a8, "3 pi");
  ExpectParts(kFourPi, -60, 0xc90fdaa22168c235, "4 pi");
  ExpectParts(Extended(0.00001L), -80, 0xa7c5ac471b478423, "0.00001");
  ExpectParts(Extended(0.000001L), -83, 0x8637bd05af6c69b6, "0.000001");
  ExpectParts(Extended(1.57L), -63, 0xc8f5c28f5c28f5c3, "1.57");
  ExpectParts(Extended(1.4L), -63, 0xb333333333333333, "1.4");
}

TEST(ExtendedTest, RoundsHalvesToEvenAndSaturates) {
  EXPECT_EQ(Round(Extended(13) / Extended(2)), 6);
  EXPECT_EQ(Round(Extended(-3) / Extended(2)), -2);
  EXPECT_EQ(Round(Extended(1) / Extended(4)), 0);
  EXPECT_EQ(Round(Extended(447) + Extended(0.5L) + Extended(0x1p-60L)), 448);
  EXPECT_EQ(Round(Extended(int64_t{1} << 40)), INT32_MAX);
  EXPECT_EQ(Round(Extended(INT64_MIN)), INT32_MIN);
  EXPECT_EQ(Extended(7) / Extended(0), Extended(0));
}

// Operands whose significands end in runs of zeros, or hold only one bit below the top one,
// meet exact halves, carries past the top bit and total cancellation far more often than
// random ones.
Extended RandomOperand(std::mt19937_64& random) {
  const uint64_t top = uint64_t{1} << 63;
  const uint64_t bits = random() % 4 == 0 ? uint64_t{1} << (random() % 63)
                                          : (random() >> (random() % 64)) & ~((uint64_t{1} << (random() % 64)) - 1);
  return Extended::FromParts(random() % 2 == 0, -104 + static_cast<int32_t>(random() % 80), bits | top);
}

long double Native(const Extended& value) { return value.ToLongDouble(); }

void ExpectSame(const Extended& software, long double hardware, const char* what, const Extended& a,
                const Extended& b) {
  EXPECT_TRUE(software == Extended(hardware))
      << what << " of " << static_cast<double>(Native(a)) << " and " << static_cast<double>(Native(b));
}

TEST(ExtendedTest, EveryOperationMatchesTheX87Unit) {
  if (LDBL_MANT_DIG != 64) GTEST_SKIP() << "no x87 unit to compare with";
  std::mt19937_64 random(24);
  for (int i = 0; i < 200000 && !HasFailure(); ++i) {
    const Extended a = RandomOperand(random);
    Extended b = RandomOperand(random);
    if (i % 4 == 0) b = -a + Extended::FromParts(false, a.exponent() - static_cast<int32_t>(random() % 70), 1);
    ExpectSame(a + b, Native(a) + Native(b), "sum", a, b);
    ExpectSame(a - b, Native(a) - Native(b), "difference", a, b);
    ExpectSame(a * b, Native(a) * Native(b), "product", a, b);
    ExpectSame(a / b, Native(a) / Native(b), "quotient", a, b);
    ExpectSame(Sqrt(Abs(a)), std::sqrt(std::fabs(Native(a))), "root", a, a);
    EXPECT_EQ(a < b, Native(a) < Native(b));
    EXPECT_EQ(Round(a), Round(Native(a)));
  }
}

}  // namespace
}  // namespace ambervale
