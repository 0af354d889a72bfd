// When a mouse movement ends a full-screen run: the cursor is more than 100 pixels away, along
// x or along y, from where it was at least 36 ms earlier (one tick of the default pace). At the
// default pace and slower ones that is the previous tick's reading, so nothing changes there;
// at faster paces the movement is still judged over 36 ms, since a window that shrank with the
// pace (2 ms at the fastest) would ask for 50,000 pixels a second and no hand gets there.
#pragma once

#include <cstdint>
#include <deque>

#include "surfaces/types.h"

namespace ambervale {

inline constexpr int32_t kMouseExitThreshold = 100;
inline constexpr uint64_t kMouseExitWindowMs = 36;

class MouseExitRule {
 public:
  // The reading taken at start-up, the first one the ticks compare with.
  void Start(uint64_t now_ms, Point cursor);

  // One cursor reading per tick, at `now_ms` of a monotonic clock, the tick's interval being
  // `tick_interval_ms`. True when the movement should end the run.
  bool Moved(uint64_t now_ms, uint32_t tick_interval_ms, Point cursor);

 private:
  struct Reading {
    uint64_t time_ms;
    Point cursor;
  };
  // The readings the next ticks may still compare with, oldest first.
  std::deque<Reading> readings_;
};

}  // namespace ambervale
