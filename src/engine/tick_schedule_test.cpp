#include "engine/tick_schedule.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

constexpr int64_t kTenMegahertz = 10'000'000;  // the performance counter of current Windows
constexpr int64_t kAcpiTimer = 3'579'545;      // older systems: an interval is no whole count

TEST(TickSchedule, TicksOncePerDueTimeAndRestartsTheInterval) {
  TickSchedule schedule(kTenMegahertz);
  schedule.Start(1'000, 2);
  EXPECT_FALSE(schedule.TakeTick(20'999));
  EXPECT_TRUE(schedule.TakeTick(21'000));
  EXPECT_FALSE(schedule.TakeTick(21'000));
  EXPECT_EQ(schedule.NextDue(), 41'000);
  EXPECT_EQ(schedule.CountsUntilDue(40'000), 1'000);
  EXPECT_EQ(schedule.CountsUntilDue(50'000), 0);

  // A new interval, or the same one switched on again, counts from the restart.
  schedule.Start(30'000, 102);
  EXPECT_EQ(schedule.NextDue(), 30'000 + 1'020'000);
}

TEST(TickSchedule, CarriesFractionsOfACountSoLongRunsDoNotDrift) {
  TickSchedule schedule(kAcpiTimer);
  schedule.Start(0, 36);
  for (int tick = 1; tick < 100'000; ++tick) ASSERT_TRUE(schedule.TakeTick(schedule.NextDue()));
  // The 100 000th tick of 36 ms is due after exactly 3600 s of counter.
  EXPECT_EQ(schedule.NextDue(), 3600 * kAcpiTimer);
}

TEST(TickSchedule, LateWakeUpGivesOneTickAndDropsTheMissedOnes) {
  TickSchedule schedule(kTenMegahertz);
  schedule.Start(0, 10);  // due at 100 000, 200 000, ...
  EXPECT_TRUE(schedule.TakeTick(450'000));
  EXPECT_FALSE(schedule.TakeTick(450'000));
  EXPECT_EQ(schedule.NextDue(), 500'000);
  // Waking exactly on a grid time serves it; the next is one interval on.
  EXPECT_TRUE(schedule.TakeTick(700'000));
  EXPECT_EQ(schedule.NextDue(), 800'000);
}

TEST(TickSchedule, FastCountersLongUptimesAndLongGapsStayExact) {
  const int64_t three_gigahertz = 3'000'000'007;
  const int64_t a_year = 365LL * 24 * 3600 * three_gigahertz;
  TickSchedule schedule(three_gigahertz);
  schedule.Start(a_year, 2);
  const int64_t interval = 2 * three_gigahertz / 1000;  // 6 000 000.014 counts
  // A day asleep: one tick, then the grid goes on where it would have been.
  const int64_t day_later = a_year + 86'400 * three_gigahertz;
  EXPECT_TRUE(schedule.TakeTick(day_later));
  EXPECT_GT(schedule.NextDue(), day_later);
  EXPECT_LE(schedule.NextDue(), day_later + interval + 1);
  EXPECT_EQ(schedule.NextDue(), a_year + 43'200'001 * 2 * three_gigahertz / 1000);
}

}  // namespace
}  // namespace ambervale
