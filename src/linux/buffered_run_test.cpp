#include "linux/buffered_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "linux/scale_picture.h"

namespace ambervale {
namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 200;
constexpr RunRules kFullScreen{InputRule::kAnyInput};

std::vector<uint32_t> Pattern(int32_t width, int32_t height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  return pixels;
}

Settings PlainGrid() {
  Settings settings = DefaultSettings();
  settings.size = 20;  // ten columns
  settings.algorithm = 1;
  settings.random_algorithm = false;
  return settings;
}

bool ShowsBackground(BackBuffer& buffer) {
  return std::vector<uint32_t>(buffer.Pixels(), buffer.Pixels() + kWidth * kHeight) == buffer.Background();
}

// Wakes one interval apart: one tick each.
class Wakes {
 public:
  explicit Wakes(BufferedRun& run)
      : run_(run), interval_(std::chrono::milliseconds(TickInterval(run.Run().CurrentSettings().fast))) {}
  SaverRun::Wake Next() {
    const SaverRun::Wake wake = run_.Advance(now_);
    now_ += interval_;
    return wake;
  }

 private:
  BufferedRun& run_;
  MonotonicTime interval_;
  MonotonicTime now_{};
};

TEST(BufferedRun, EachTickChangesOnlyTheCurrentCellAndTheCycleEndRestoresThePicture) {
  BufferedRun run(PlainGrid(), TimeOfDay{12, 0, 0, 0}, kFullScreen);
  run.Start(kWidth, kHeight, Pattern(kWidth, kHeight));
  BackBuffer& buffer = run.Buffer();
  Wakes wakes(run);
  const SaverRun::Wake start = wakes.Next();
  EXPECT_EQ(start.ticks, 0);
  EXPECT_EQ(start.changed.Bounds(), (Rect{0, 0, kWidth, kHeight}));
  EXPECT_TRUE(ShowsBackground(buffer));

  const int32_t cell = run.State().grid.cell_width;
  ASSERT_EQ(cell, 32);
  const SaverRun::Wake first = wakes.Next();
  EXPECT_EQ(first.ticks, 1);
  EXPECT_LE(first.changed.Bounds().Width(), cell);
  EXPECT_LE(first.changed.Bounds().Height(), cell);
  EXPECT_FALSE(ShowsBackground(buffer));

  // Ticks until the cycle's restore changes what the leaves covered: the picture is back, exactly.
  bool restored = false;
  for (int tick = 0; tick < 5 * 201 && !restored; ++tick) {
    const Rect changed = wakes.Next().changed.Bounds();
    restored = changed.Width() > cell;
    if (!restored) {
      EXPECT_LE(changed.Width(), cell);
    }
  }
  ASSERT_TRUE(restored);
  // The plain grid's last tick ends with the restore; the next cycle draws from the next tick.
  EXPECT_TRUE(ShowsBackground(buffer));
}

TEST(BufferedRun, AResizeLaysOutTheNewSizeAndStartsANewCycle) {
  BufferedRun run(PlainGrid(), TimeOfDay{12, 0, 0, 0}, kFullScreen);
  run.Start(kWidth, kHeight, Pattern(kWidth, kHeight));
  Wakes wakes(run);
  for (int tick = 0; tick < 12; ++tick) wakes.Next();
  run.Resize(640, 400, {});  // no picture: the plain background
  EXPECT_EQ(run.State().grid.cell_width, 64);
  EXPECT_EQ(run.State().cycle.row, 0);
  EXPECT_EQ(run.State().cycle.col, 0);
  EXPECT_EQ(run.Buffer().Pixel(639, 399), kPlainBackground);
  EXPECT_EQ(wakes.Next().changed.Bounds(), (Rect{0, 0, 640, 400}));
}

// A window over two monitors: a grid on each, from each one's size, and again after a resize.
TEST(BufferedRun, ScreensGetAGridEach) {
  BufferedRun run(PlainGrid(), TimeOfDay{12, 0, 0, 0}, kFullScreen);
  const Rect left{0, 0, 150, kHeight}, right{150, 0, kWidth, kHeight};
  run.Start(kWidth, kHeight, {}, {left, right});
  EXPECT_EQ(run.Run().NumberOfScreens(), 2u);
  EXPECT_EQ(run.State().grid.cell_width, 15);  // ten columns over 150 pixels
  EXPECT_EQ(run.Run().State(1).grid.cell_width, 17);
  run.Resize(kWidth, kHeight, {});
  EXPECT_EQ(run.Run().NumberOfScreens(), 1u);
  EXPECT_EQ(run.State().grid.cell_width, 32);
}

// Two outputs with a buffer each, side by side in the run's coordinates: a grid on each, each
// drawing only into its own memory, and a wake's change told in each one's own pixels.
TEST(BufferedRun, PanesGetAGridAndABufferEach) {
  BufferedRun run(PlainGrid(), TimeOfDay{12, 0, 0, 0}, kFullScreen);
  std::vector<uint32_t> second_memory(200 * 100);
  run.DrawInto([&](size_t pane, int32_t, int32_t) { return pane == 1 ? second_memory.data() : nullptr; });
  std::vector<BufferedRun::PaneSpec> panes;
  panes.push_back({kWidth, kHeight, Pattern(kWidth, kHeight)});
  panes.push_back({200, 100, {}});
  run.Start(std::move(panes));
  ASSERT_EQ(run.Run().NumberOfScreens(), 2u);
  EXPECT_EQ(run.Run().State(1).grid.cell_width, 20);
  EXPECT_EQ(run.PaneArea(1), (Rect{kWidth, 0, kWidth + 200, 100}));
  EXPECT_EQ(run.Buffer(1).Pixels(), second_memory.data());
  EXPECT_EQ(second_memory[0], kPlainBackground);

  Wakes wakes(run);
  const Damage start = wakes.Next().changed;
  EXPECT_EQ(run.ChangedIn(start, 1).Bounds(), (Rect{0, 0, 200, 100}));
  const Damage first = wakes.Next().changed;
  const Rect drawn = run.ChangedIn(first, 1).Bounds();
  ASSERT_GT(drawn.Width(), 0);
  EXPECT_LE(drawn.Width(), 20);  // one cell of its own grid
  EXPECT_NE(std::count(second_memory.begin(), second_memory.end(), kPlainBackground), 200 * 100);
  EXPECT_FALSE(run.ChangedIn(first, 0).Empty());
}

}  // namespace
}  // namespace ambervale
