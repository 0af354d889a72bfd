#include "run/monitor_set.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/geometry.h"
#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::EngineRig;
using testing::FakeHost;

constexpr Rect kPrimary{0, 0, 1024, 768};

// Where each draw went, whatever bitmap it drew.
std::vector<Rect> Places(const RecordingTarget& target) {
  std::vector<Rect> places;
  for (const auto& call : target.calls) places.push_back(Rect{call.x, call.y, call.width, call.height});
  return places;
}

// A full-screen run as start-up leaves the primary, then spread over `monitors`, drawing on
// a recording target in virtual-screen coordinates.
struct MonitorRig {
  explicit MonitorRig(const std::vector<Rect>& monitors, uint8_t algorithm = 1)
      : rig(1024, 768, 12, 7, 10),
        set(*rig.state, rig.settings, rig.random, rig.leaves, host.Restore(), PrimaryFirst(monitors).front()) {
    rig.settings.algorithm = algorithm;
    set.StartCycle();
    set.BuildSprite();
    set.SpreadOver(PrimaryFirst(monitors), [](int32_t w, int32_t h) { return std::make_unique<MemoryBitmap>(w, h); });
  }
  RecordingTarget& target() { return *rig.target; }

  EngineRig rig;
  FakeHost host;
  MonitorSet set;
};

TEST(MonitorSetTest, PrimaryComesFirstAndEmptyMonitorsGo) {
  const Rect left{-1280, -100, 0, 924};
  const Rect right{1024, 0, 2048, 768};
  EXPECT_EQ(PrimaryFirst({left, Rect{5, 5, 5, 9}, kPrimary, right}), (std::vector<Rect>{kPrimary, left, right}));
  // No monitor at the origin: the first one stands in.
  EXPECT_EQ(PrimaryFirst({right, left}), (std::vector<Rect>{right, left}));
}

// With one monitor, every draw and every restore is the plain engine's, tick for tick.
TEST(MonitorSetTest, OneMonitorDrawsExactlyAsTheSingleEngine) {
  for (uint8_t algorithm : {0, 1, 2, 11}) {
    MonitorRig spread({kPrimary}, algorithm);
    EngineRig plain(1024, 768, 12, 7, 10);
    plain.settings.algorithm = algorithm;
    plain.Start();
    ASSERT_EQ(spread.set.Count(), 1u);
    for (int tick = 0; tick < 3000; ++tick) {
      spread.set.Tick();
      plain.engine->Tick();
    }
    spread.set.RestoreAndRestart();
    plain.engine->RestoreAndRestart();
    EXPECT_EQ(Places(spread.target()), Places(*plain.target)) << int(algorithm);
    EXPECT_EQ(spread.host.events, plain.host.events) << int(algorithm);
    EXPECT_FALSE(spread.target().clip.has_value());
  }
}

TEST(MonitorSetTest, TwoMonitorsSideBySideOfDifferentSizes) {
  const Rect right{1024, 0, 1792, 1024};  // 768 x 1024, upright
  MonitorRig r({right, kPrimary});
  ASSERT_EQ(r.set.Count(), 2u);
  SaverState& second = r.set.State(1);
  // The full-screen rule from the monitor's own size: 18 columns, 24 rows, cells of Round(42.67).
  EXPECT_EQ(second.grid.cols, 18);
  EXPECT_EQ(second.grid.rows, 24);
  EXPECT_EQ(second.grid.cell_width, 43);
  EXPECT_EQ(second.sprite.dib.Width(), 100);
  EXPECT_NE(second.sprite.bitmap, nullptr);
  EXPECT_EQ(r.rig.state->grid.cell_width, 57);

  // One tick: one draw on each monitor, each shifted to its monitor's origin and clipped to it.
  r.set.Tick();
  ASSERT_EQ(r.target().calls.size(), 2u);
  EXPECT_EQ(r.target().calls[0].x, r.rig.state->cycle.x[0][0]);
  EXPECT_EQ(r.target().calls[1].x, 1024 + second.cycle.x[0][0]);
  EXPECT_EQ(r.target().calls[1].width, 43);
  EXPECT_EQ(r.target().clip, right);

  // Each monitor runs its own cycle: the smaller one ends first and restores only itself.
  for (int tick = 0; tick < 5000 && r.host.shown.empty(); ++tick) r.set.Tick();
  EXPECT_EQ(r.host.shown, (std::vector<Rect>{kPrimary}));
  EXPECT_NE(second.cycle.row, 0);

  // The close's restore (and the dialog's restart) reach every monitor.
  r.host.shown.clear();
  r.set.RestoreAndRestart();
  EXPECT_EQ(r.host.shown, (std::vector<Rect>{kPrimary, right}));
  EXPECT_EQ(second.cycle.row, 0);
  EXPECT_EQ(second.cycle.fade_step, 0);
}

// A monitor left of the primary lies at negative x, and so do its draws.
TEST(MonitorSetTest, MonitorLeftOfThePrimaryAtNegativeX) {
  const Rect left{-1024, 0, 0, 768};
  MonitorRig r({left, kPrimary});
  r.set.Tick();
  ASSERT_EQ(r.target().calls.size(), 2u);
  EXPECT_EQ(r.target().calls[0].x, r.rig.state->cycle.x[0][0]);
  EXPECT_EQ(r.target().calls[1].x, r.set.State(1).cycle.x[0][0] - 1024);
  EXPECT_EQ(r.target().clip, left);
}

// A leaf at a monitor's edge does not spill onto its neighbour.
TEST(MonitorSetTest, MonitorTargetClipsToItsMonitor) {
  MemoryCanvas screen(200, 50);
  MemoryBitmap opaque(4, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) opaque.PutArgb(x, y, PackArgb(255, 255, 0, 0));
  // The virtual screen runs from x = -100: the left monitor is buffer columns 0..99.
  MonitorTarget left(screen, {-100, 0}, Rect{-100, 0, 0, 50});
  left.DrawScaled(&opaque, 90, 10, 20, 20);
  EXPECT_EQ(screen.Pixel(99, 15), 0xFF0000u);
  EXPECT_EQ(screen.Pixel(100, 15), 0u);
  EXPECT_EQ(screen.Pixel(89, 15), 0u);
}

// Every monitor reads the run's settings: a new Size reaches each grid on the dialog's rule, a
// restart lays out the user's Algorithm on each, and with Random on each cycle picks its own
// layout without touching the user's.
TEST(MonitorSetTest, EveryMonitorFollowsTheRunsSettings) {
  MonitorRig r({kPrimary, Rect{1024, 0, 2304, 1024}});
  Settings& settings = r.rig.settings;
  const SaverState& second = r.set.State(1);
  settings.size = 13;
  settings.algorithm = 2;
  r.set.ApplySize(SizeRule::kDialog);
  r.set.RestoreAndRestart();
  EXPECT_EQ(second.grid.cols, 17);
  EXPECT_EQ(second.grid.cell_width, 1280 / 17);
  EXPECT_EQ(second.cycle.algorithm, 2);
  EXPECT_EQ(r.set.State(0).cycle.algorithm, 2);

  settings.random_algorithm = true;
  std::set<int> picks;
  for (int cycle = 0; cycle < 20; ++cycle) {
    r.set.RestoreAndRestart();
    picks.insert(r.set.State(0).cycle.algorithm);
    picks.insert(second.cycle.algorithm);
  }
  EXPECT_GT(picks.size(), 1u);
  EXPECT_EQ(settings.algorithm, 2);
}

}  // namespace
}  // namespace ambervale
