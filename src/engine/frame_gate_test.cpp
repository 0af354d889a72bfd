#include "engine/frame_gate.h"

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

  EXPECT_TRUE(gate.TakeFrame(milliseconds(100)));
  EXPECT_FALSE(gate.TakeFrame(milliseconds(110)));
  // A change waits for the frame; ticks 2 ms apart wake the host once a frame, not 500 times
  // a second; a slow pace wakes at its ticks.
  EXPECT_EQ(gate.NextWake(milliseconds(112), true), microseconds(116666));
  EXPECT_EQ(gate.NextWake(milliseconds(102), false), microseconds(116666));
  EXPECT_EQ(gate.NextWake(milliseconds(136), false), milliseconds(136));
  EXPECT_EQ(gate.NextWake(std::nullopt, false), std::nullopt);
  EXPECT_TRUE(gate.TakeFrame(microseconds(116666)));
}

}  // namespace
}  // namespace ambervale
