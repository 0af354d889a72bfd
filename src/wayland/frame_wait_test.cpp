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
  // One output blanked for long, the other shown: the pace goes on for the one shown.
  EXPECT_EQ(Wake(tick, kAt, {kAt - std::chrono::seconds(60), std::nullopt}), tick);
  EXPECT_EQ(Wake(std::nullopt, kAt, {std::nullopt}), std::nullopt);
}

TEST(FrameWait, WhileEveryFrameIsPendingTicksEvery100MsThenPauses) {
  const MonotonicTime tick = kAt + milliseconds(30);
  EXPECT_EQ(Wake(tick, kAt, {kAt - milliseconds(5)}), kAt + kPendingFrameWake);
  // A tick due later than that wake keeps its own time.
  EXPECT_EQ(Wake(kAt + milliseconds(500), kAt, {kAt}), kAt + milliseconds(500));
  // Frames asked for long ago on every output: nothing shows, no wake at all.
  EXPECT_EQ(Wake(tick, kAt, {kAt - kUnseenAfter, kAt - kUnseenAfter - milliseconds(1)}), std::nullopt);
  // One of them asked for recently: the slow wakes go on.
  EXPECT_EQ(Wake(tick, kAt, {kAt - kUnseenAfter, kAt - milliseconds(1)}), kAt + kPendingFrameWake);
}

}  // namespace
}  // namespace ambervale
