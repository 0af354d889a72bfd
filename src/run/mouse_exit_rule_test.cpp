#include "run/mouse_exit_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

// Ticks every `interval` ms (the clock agreeing) while the cursor moves along x at `speed`
// pixels a second for `duration` ms; true when the rule ends the run on the way.
bool Ends(uint32_t interval, int32_t speed, uint32_t duration) {
  MouseExitRule rule;
  rule.Start(1000, Point{0, 0});
  for (uint32_t t = interval; t <= duration; t += interval)
    if (rule.Moved(1000 + t, interval, Point{static_cast<int32_t>(int64_t(speed) * t / 1000), 0})) return true;
  return false;
}

TEST(MouseExitRuleTest, AFlickEndsTheRunAtEveryPaceAndASlowDriftAtNone) {
  for (uint32_t interval : {2u, 20u, 36u, 102u}) {
    EXPECT_TRUE(Ends(interval, 4000, 204)) << interval;   // 800 pixels over 0.2 s
    EXPECT_FALSE(Ends(interval, 100, 1020)) << interval;  // 100 pixels over a second
  }
}

TEST(MouseExitRuleTest, DefaultPaceComparesWithThePreviousTickEvenWhenTicksBunch) {
  MouseExitRule rule;
  rule.Start(0, Point{0, 0});
  // A late tick then an early one (41 ms, then 31 ms): each moved 60 pixels, 120 over two ticks.
  EXPECT_FALSE(rule.Moved(41, 36, Point{60, 0}));
  EXPECT_FALSE(rule.Moved(72, 36, Point{120, 0}));
  // Exactly 100 along each axis together is not more than 100; 101 along one is.
  EXPECT_FALSE(rule.Moved(108, 36, Point{220, 100}));
  EXPECT_TRUE(rule.Moved(144, 36, Point{220, 201}));
}

TEST(MouseExitRuleTest, FastPaceLooksBackAtLeastThirtySixMilliseconds) {
  MouseExitRule rule;
  rule.Start(0, Point{0, 0});
  // Within the first 36 ms there is nothing old enough to compare with; then the start-up
  // reading is, and the jump made at 10 ms counts.
  EXPECT_FALSE(rule.Moved(10, 2, Point{101, 0}));
  EXPECT_FALSE(rule.Moved(34, 2, Point{101, 0}));
  EXPECT_TRUE(rule.Moved(36, 2, Point{101, 0}));
  // A clock that stands still: 18 ticks of 2 ms stand in for the 36 ms.
  MouseExitRule stalled;
  stalled.Start(5, Point{0, 0});
  for (int i = 1; i < 18; ++i) EXPECT_FALSE(stalled.Moved(5, 2, Point{101, 0})) << i;
  EXPECT_TRUE(stalled.Moved(5, 2, Point{101, 0}));
}

}  // namespace
}  // namespace ambervale
