#include "run/frame_gate.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(FrameGate, PresentsAtMostOncePerFrameAndSleepsUntilATickCanShow) {
  FrameGate gate;
  gate.SetRefresh(0);  // unknown: 60 Hz
  EXPECT_EQ(gate.Frame(), microseconds(16666));
  gate.SetRefresh(144);
  EXPECT_EQ(gate.Frame(), microseconds(6944));
  gate.SetRefresh(60);

  Damage change;
  change.Add(Rect{0, 0, 4, 4});
  EXPECT_EQ(gate.TakeDue(milliseconds(100)), std::nullopt);  // nothing waits
  gate.Add(change);
  EXPECT_TRUE(gate.TakeDue(milliseconds(100)));
  gate.Add(change);
  EXPECT_EQ(gate.TakeDue(milliseconds(110)), std::nullopt);
  // A change waits for the frame; ticks 2 ms apart wake the host once a frame, not 500 times
  // a second; a slow pace wakes at its ticks.
  EXPECT_EQ(gate.NextWake(milliseconds(112)), microseconds(116666));
  gate.PresentedAll();
  EXPECT_EQ(gate.NextWake(milliseconds(102)), microseconds(116666));
  EXPECT_EQ(gate.NextWake(milliseconds(136)), milliseconds(136));
  EXPECT_EQ(gate.NextWake(std::nullopt), std::nullopt);
  gate.Add(change);
  gate.Add(change);
  const std::optional<Damage> due = gate.TakeDue(microseconds(116666));
  ASSERT_TRUE(due);
  EXPECT_EQ(due->Parts().size(), 1u);
}

}  // namespace
}  // namespace ambervale
