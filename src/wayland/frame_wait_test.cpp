#include "wayland/frame_wait.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

using std::chrono::milliseconds;
constexpr MonotonicTime kAt = std::chrono::seconds(100);

std::optional<MonotonicTime> Wake(std::optional<MonotonicTime> next_tick, MonotonicTime last_advance,
                                  std::vector<std::optional<MonotonicTime>> pending) {
  return NextAdvance(next_tick, last_advance, pending);
}

TEST(FrameWait, TicksOnPaceWhileAnOutputCanShowThem) {
  const MonotonicTime tick = kAt + milliseconds(30);
  EXPECT_EQ(Wake(tick, kAt, {}), tick);
  EXPECT_EQ(Wake(tick, kAt, {std::nullopt}), tick);
  // One output waiting for its frame, the other free: the pace goes on for the free one.
  EXPECT_EQ(Wake(tick, kAt, {kAt - std::chrono::seconds(60), std::nullopt}), tick);
  EXPECT_EQ(Wake(std::nullopt, kAt, {std::nullopt}), std::nullopt);
}

TEST(FrameWait, WhileEveryFrameIsPendingTicksEvery100Ms) {
  const MonotonicTime tick = kAt + milliseconds(30);
  EXPECT_EQ(Wake(tick, kAt, {kAt - milliseconds(5)}), kAt + kPendingFrameWake);
  // A tick due later than that wake keeps its own time.
  EXPECT_EQ(Wake(kAt + milliseconds(500), kAt, {kAt}), kAt + milliseconds(500));
}

}  // namespace
}  // namespace ambervale
