#include "linux/tick_pacer.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

using std::chrono::milliseconds;
const TickPacer::Clock::time_point kStart{std::chrono::seconds(1000)};

TEST(TickPacer, DeadlinesFollowTheFirstWithoutDrift) {
  TickPacer pacer;
  pacer.SetInterval(36, kStart);
  EXPECT_FALSE(pacer.Due(kStart + milliseconds(35)));
  EXPECT_EQ(pacer.WaitNanoseconds(kStart + milliseconds(35)), 1000000);
  // Each tick served a little late still leaves the schedule where it was.
  for (int k = 1; k <= 100; ++k) {
    const auto served = kStart + milliseconds(36 * k + 3);
    ASSERT_TRUE(pacer.Due(served));
    pacer.Advance(served);
  }
  EXPECT_EQ(pacer.Deadline(), kStart + milliseconds(36 * 101));
}

TEST(TickPacer, ShortDelaysAreCaughtUpAndAStallIsSkipped) {
  TickPacer pacer;
  pacer.SetInterval(2, kStart);
  pacer.Advance(kStart + milliseconds(12));  // five ticks late: the schedule stands
  EXPECT_EQ(pacer.Deadline(), kStart + milliseconds(4));
  const auto late = kStart + milliseconds(500);
  pacer.Advance(late);  // e.g. after SIGSTOP and SIGCONT: one tick, then no burst of catch-up ticks
  EXPECT_EQ(pacer.Deadline(), late + milliseconds(2));
  EXPECT_FALSE(pacer.Due(late));
}

TEST(TickPacer, SwitchedOffItWaitsForeverAndOnAgainRestartsTheInterval) {
  TickPacer pacer;
  pacer.SetInterval(20, kStart);
  pacer.SetEnabled(false, kStart + milliseconds(15));
  EXPECT_FALSE(pacer.Due(kStart + milliseconds(100)));
  EXPECT_EQ(pacer.WaitNanoseconds(kStart), -1);
  pacer.SetEnabled(true, kStart + milliseconds(100));
  EXPECT_EQ(pacer.Deadline(), kStart + milliseconds(120));
}

}  // namespace
}  // namespace ambervale
