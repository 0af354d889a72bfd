#include "run/pacer.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

using std::chrono::milliseconds;

// Every tick due at `now`, as a wake takes them.
int TicksAt(Pacer& pacer, MonotonicTime now) {
  int ticks = 0;
  while (pacer.TakeTick(now)) ++ticks;
  return ticks;
}

TEST(Pacer, KeepsTheGridExactlyHoweverLateEachWakeIs) {
  Pacer pacer;
  pacer.SetInterval(2);
  EXPECT_EQ(TicksAt(pacer, milliseconds(1000)), 0);  // the first reading starts the grid
  EXPECT_EQ(pacer.NextDue(), milliseconds(1002));
  // Wakes at 60 Hz, 16.667 ms apart, each late by a different amount: after 10.0017 s, the
  // 5000 ticks of 2 ms each, neither more nor fewer.
  int ticks = 0;
  for (int frame = 1; frame <= 600; ++frame)
    ticks += TicksAt(pacer, milliseconds(1000) + std::chrono::microseconds(frame * 16667 + (frame % 7) * 300));
  EXPECT_EQ(ticks, 5000);
  EXPECT_GT(*pacer.NextDue(), milliseconds(1000) + std::chrono::microseconds(600 * 16667));
}

TEST(Pacer, MakesUpAGapOf250MsButResumesFromNowAfterALongerOne) {
  Pacer pacer;
  pacer.SetInterval(10);
  TicksAt(pacer, milliseconds(0));
  EXPECT_EQ(TicksAt(pacer, milliseconds(260)), 26);  // the first missed tick 250 ms overdue
  EXPECT_EQ(pacer.NextDue(), milliseconds(270));
  EXPECT_EQ(TicksAt(pacer, milliseconds(5270)), 1);  // stopped for seconds: no burst
  EXPECT_EQ(pacer.NextDue(), milliseconds(5280));
  EXPECT_EQ(TicksAt(pacer, milliseconds(5279)), 0);
}

TEST(Pacer, ARestartStartsTheGridAtTheNextReading) {
  Pacer pacer;
  pacer.SetInterval(36);
  TicksAt(pacer, milliseconds(0));
  pacer.Restart();
  EXPECT_EQ(pacer.NextDue(), std::nullopt);
  EXPECT_EQ(TicksAt(pacer, milliseconds(500)), 0);  // not the ticks since the restart
  EXPECT_EQ(pacer.NextDue(), milliseconds(536));
  pacer.SetInterval(0);  // a new pace starts afresh too; 0 is 1 ms
  EXPECT_EQ(TicksAt(pacer, milliseconds(540)), 0);
  EXPECT_EQ(TicksAt(pacer, milliseconds(543)), 3);
}

}  // namespace
}  // namespace ambervale
