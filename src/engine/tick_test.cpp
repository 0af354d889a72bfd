#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "base/errors.h"
#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::EngineRig;

// Sequencing does not depend on the sprite's size: a small one keeps long runs quick.
constexpr int32_t kSmallSprite = 10;

// 1024 x 768 at Size 12: 18 columns, 14 rows, rings 0..7.
std::unique_ptr<EngineRig> StartedRig(uint8_t algorithm, uint32_t seed = 1) {
  auto rig = std::make_unique<EngineRig>(1024, 768, 12, seed, kSmallSprite);
  rig->settings.algorithm = algorithm;
  rig->Start();
  return rig;
}

// What one tick did, seen from outside.
struct TickRecord {
  int32_t fade, row, col;  // before the tick
  bool removed_slot;       // PosX of the cell was 0 before the tick
  bool drew_random;        // the generator was drawn
  size_t draws;
  int32_t bitmap_image;  // image of the bitmap drawn last
};

TickRecord Tick(EngineRig& rig) {
  SaverState& s = *rig.state;
  TickRecord r{s.cycle.fade_step, s.cycle.row, s.cycle.col, s.cycle.x[s.cycle.row][s.cycle.col] == 0, false, 0, 0};
  const uint32_t seed = rig.random.seed();
  const size_t calls = rig.target->calls.size();
  rig.engine->Tick();
  r.drew_random = rig.random.seed() != seed;
  r.draws = rig.target->calls.size() - calls;
  r.bitmap_image = rig.engine->BitmapImageIndex();
  return r;
}

// The generator state after which the tick's next draws give the wanted values.
uint32_t SeedWhere(const std::function<bool(Random&)>& wanted) {
  for (uint32_t seed = 1; seed < 100000; ++seed) {
    Random probe(seed);
    if (wanted(probe)) return seed;
  }
  ADD_FAILURE() << "no seed found";
  return 0;
}

TEST(TickTest, CycleLengthsOnAnEighteenByFourteenGrid) {
  struct Case {
    uint8_t algorithm;
    int first, later;
  };
  // Later cycles of 1..12 lose a tick: their first cell gets only four draws. Algorithm 0's
  // first count includes the tick that finds the grid full and starts the next cycle. Rings
  // 0..7 have 169 slots; 60 of them are removed for 11 and 12 and cost one tick each.
  const Case cases[] = {{0, 1426, 1425},  {1, 1350, 1349}, {2, 600, 599},   {3, 845, 844},   {4, 845, 844},
                        {5, 845, 844},    {6, 845, 844},   {7, 1350, 1349}, {8, 1350, 1349}, {9, 1350, 1349},
                        {10, 1350, 1349}, {11, 605, 604},  {12, 605, 604}};
  for (const Case& c : cases) {
    auto rig = StartedRig(c.algorithm);
    ASSERT_EQ(rig->state->grid.cols, 18);
    ASSERT_EQ(rig->state->grid.rows, 14);
    EXPECT_EQ(rig->TicksUntilCycles(1), c.first) << int(c.algorithm);
    EXPECT_EQ(rig->TicksUntilCycles(1), c.later) << int(c.algorithm);
    EXPECT_EQ(rig->TicksUntilCycles(1), c.later) << int(c.algorithm);
    EXPECT_EQ(rig->state->cycle.algorithm, c.algorithm);
  }
}

// When each block builds a new sprite, and that removed slots cost a tick without a draw.
TEST(TickTest, NewSpritesAndRemovedSlotsFollowEachBlocksRules) {
  for (uint8_t algorithm = 1; algorithm <= 12; ++algorithm) {
    auto rig = StartedRig(algorithm);
    int removed = 0;
    for (int cycle_ticks = 0; rig->host.repaints < 2 && cycle_ticks < 5000; ++cycle_ticks) {
      const TickRecord t = Tick(*rig);
      bool want_sprite = t.fade == 0;
      if (algorithm == 2 || algorithm == 5 || algorithm == 7) want_sprite = t.fade == 0 && t.col == 0;
      if (algorithm == 11) want_sprite = t.fade == 0 && !t.removed_slot;
      if (algorithm == 12) want_sprite = t.fade == 0 && t.col == 1;
      ASSERT_EQ(t.drew_random, want_sprite)
          << "algorithm " << int(algorithm) << " fade " << t.fade << " cell " << t.row << "," << t.col;
      const bool skips = (algorithm == 11 || algorithm == 12) && t.removed_slot;
      ASSERT_EQ(t.draws, skips ? 0u : 1u) << int(algorithm);
      if (skips) {
        ++removed;
        EXPECT_EQ(rig->state->cycle.fade_step, t.fade);  // the next slot starts where this one would have
      }
    }
    EXPECT_EQ(rig->host.repaints, 2);
    if (algorithm == 11 || algorithm == 12) {
      EXPECT_EQ(removed, 120);  // 60 slots in each of two cycles
    }
  }
}

// Ring 0 shows the sprite built before it; ring r the image picked at its slot 1, even when
// that slot is removed by the mask and the pick serves the next slot drawn.
TEST(TickTest, AlgorithmTwelveShowsOneImagePerRing) {
  auto rig = StartedRig(12);
  EXPECT_EQ(Tick(*rig).bitmap_image, 0);
  int32_t ring_image = -1;
  while (rig->host.repaints < 1) {
    const TickRecord t = Tick(*rig);
    if (t.col == 1 && t.fade == 0) ring_image = rig->engine->PlanesImageIndex();
    if (t.draws == 1 && t.row >= 1) {
      ASSERT_EQ(t.bitmap_image, ring_image) << t.row << "," << t.col;
    }
  }
}

TEST(TickTest, AlgorithmSixShowsEachPickAtTheFollowingCell) {
  auto rig = StartedRig(6);
  int32_t previous_pick = 0;  // the start-up sprite serves the first cell
  int cells = 0;
  while (rig->host.repaints < 1) {
    const int32_t planes_before = rig->engine->PlanesImageIndex();
    const TickRecord t = Tick(*rig);
    if (t.fade == 0) {
      EXPECT_EQ(t.bitmap_image, previous_pick);
      EXPECT_EQ(planes_before, previous_pick);
      previous_pick = rig->engine->PlanesImageIndex();
      ++cells;
    }
  }
  EXPECT_EQ(cells, 169);
}

class RandomFillTest : public ::testing::Test {
 protected:
  RandomFillTest() : rig_(StartedRig(0)) {}

  // Seeds the generator so that the next cell's random draw lands on a cell that `fits`,
  // marks the whole grid taken except `free_cells` (offsets from that cell, or absolute).
  std::pair<int32_t, int32_t> Prepare(const std::function<bool(int32_t, int32_t)>& fits) {
    SaverState& s = *rig_->state;
    std::pair<int32_t, int32_t> picked;
    const uint32_t seed = SeedWhere([&](Random& r) {
      r.Next(25);
      const int32_t col = r.Next(s.grid.cols);
      const int32_t row = r.Next(s.grid.rows);
      picked = {row, col};
      return fits(row, col);
    });
    rig_->random.Seed(seed);
    for (int32_t row = 0; row <= s.grid.rows; ++row)
      for (int32_t col = 0; col <= s.grid.cols; ++col) s.cycle.filled[row][col] = 1;
    s.cycle.fade_step = 0;
    return picked;
  }

  void TickAndExpectCell(int32_t row, int32_t col) {
    SaverState& s = *rig_->state;
    const size_t calls = rig_->target->calls.size();
    rig_->engine->Tick();
    EXPECT_EQ(s.cycle.row, row);
    EXPECT_EQ(s.cycle.col, col);
    ASSERT_EQ(rig_->target->calls.size(), calls + 1);
    EXPECT_EQ(rig_->target->calls.back().x, s.cycle.x[row][col]);
    EXPECT_EQ(s.cycle.filled[row][col], 1);
  }

  std::unique_ptr<EngineRig> rig_;
};

TEST_F(RandomFillTest, TakenInnerCellMovesToTheFirstFreeNeighbourClockwiseFromAbove) {
  static constexpr std::pair<int32_t, int32_t> kOrder[] = {{-1, 0}, {-1, 1}, {0, 1},  {1, 1},
                                                           {1, 0},  {1, -1}, {0, -1}, {-1, -1}};
  for (size_t first = 0; first < 8; ++first) {
    SaverState& s = *rig_->state;
    const auto [row, col] =
        Prepare([&](int32_t r, int32_t c) { return r > 0 && c > 0 && (r + c + int(first)) % 3 == 0; });
    for (size_t k = first; k < 8; ++k) s.cycle.filled[row + kOrder[k].first][col + kOrder[k].second] = 0;
    s.cycle.filled[0][0] = 0;  // the scan would find this one
    TickAndExpectCell(row + kOrder[first].first, col + kOrder[first].second);
  }
}

TEST_F(RandomFillTest, EdgeCellsAndSurroundedCellsGoToTheScan) {
  SaverState& s = *rig_->state;
  {
    const auto [row, col] = Prepare([](int32_t r, int32_t c) { return c == 0 && r >= 1; });
    s.cycle.filled[row][1] = 0;      // a free neighbour to the right, not looked at
    s.cycle.filled[row - 1][5] = 0;  // the first free cell of the scan
    TickAndExpectCell(row - 1, 5);
  }
  {
    const auto [row, col] = Prepare([](int32_t r, int32_t c) { return r == 0 && c >= 1 && c < 15; });
    s.cycle.filled[1][col] = 0;
    s.cycle.filled[0][col + 2] = 0;
    TickAndExpectCell(0, col + 2);
  }
  {
    const auto [row, col] = Prepare([](int32_t r, int32_t c) { return r > 1 && c > 1 && r < 12 && c < 16; });
    s.cycle.filled[row + 2][col] = 0;  // not a neighbour
    s.cycle.filled[14][18] = 0;        // the last cell of the scan: row GridRows, column GridCols
    TickAndExpectCell(row + 2, col);
  }
}

TEST_F(RandomFillTest, CycleEndsOnlyWhenTheWholeGridIncludingLastRowAndColumnIsMarked) {
  SaverState& s = *rig_->state;
  std::set<std::pair<int32_t, int32_t>> cells;
  int ticks = 0;
  while (rig_->host.repaints == 0 && ticks < 3000) {
    const TickRecord t = Tick(*rig_);
    ++ticks;
    if (t.fade == 0 && rig_->host.repaints == 0) {
      EXPECT_TRUE(cells.insert({s.cycle.row, s.cycle.col}).second) << "cell drawn twice";
    }
  }
  EXPECT_EQ(cells.size(), 15u * 19u);
  EXPECT_TRUE(cells.count({14, 18}));
  // The completing tick drew cell (0, 0) of the new cycle with its first draw.
  EXPECT_EQ(s.cycle.row, 0);
  EXPECT_EQ(s.cycle.col, 0);
  EXPECT_EQ(s.cycle.filled[0][0], 1);
  EXPECT_EQ(s.cycle.fade_step, 1);

  // One free cell left anywhere, even in the last column: the cycle goes on.
  Prepare([](int32_t, int32_t) { return true; });
  s.cycle.filled[7][18] = 0;
  rig_->engine->Tick();
  EXPECT_EQ(rig_->host.repaints, 1);
  EXPECT_EQ(s.cycle.row, 7);
  EXPECT_EQ(s.cycle.col, 18);
}

TEST(TickTest, CycleEndingInOneHandsOverToSevenInTheSameTick) {
  auto rig = StartedRig(1);
  SaverState& s = *rig->state;
  for (int i = 0; i < 1349; ++i) rig->engine->Tick();
  ASSERT_EQ(rig->host.repaints, 0);
  rig->settings.random_algorithm = true;
  rig->random.Seed(SeedWhere([](Random& r) { return r.Next(20) <= 10 && r.Next(5) == 2; }));
  const int bulk_before = rig->bitmap->bulk_writes;
  const size_t calls = rig->target->calls.size();
  rig->engine->Tick();
  EXPECT_EQ(s.cycle.algorithm, 7);
  ASSERT_EQ(rig->target->calls.size(), calls + 2);  // the last cell's fifth draw, then (0, 0)
  EXPECT_EQ(rig->target->calls.back().x, 0);
  EXPECT_EQ(rig->target->calls.back().y, 0);
  EXPECT_EQ(rig->bitmap->bulk_writes, bulk_before + 1);
  EXPECT_EQ(s.cycle.filled[0][0], 1);
  EXPECT_EQ(s.cycle.fade_step, 1);
  EXPECT_NE(rig->engine->BitmapImageIndex(), 0);
}

TEST(TickTest, CycleEndingInOneHandsOverToZeroOnlyAtTheNextTick) {
  auto rig = StartedRig(1);
  SaverState& s = *rig->state;
  for (int i = 0; i < 1349; ++i) rig->engine->Tick();
  rig->settings.random_algorithm = true;
  rig->random.Seed(SeedWhere([](Random& r) { return r.Next(20) > 10 && r.Next(5) == 0; }));
  const int32_t last_image = rig->engine->BitmapImageIndex();
  const int bulk_before = rig->bitmap->bulk_writes;
  rig->engine->Tick();
  EXPECT_EQ(s.cycle.algorithm, 0);
  EXPECT_EQ(s.cycle.fade_step, 1);
  rig->settings.random_algorithm = false;
  // Cell (0, 0) gets four draws with the previous cycle's last sprite and stays unmarked.
  for (int i = 0; i < 4; ++i) {
    const TickRecord t = Tick(*rig);
    EXPECT_EQ(t.draws, 1u);
    EXPECT_EQ(t.bitmap_image, last_image);
    EXPECT_EQ(rig->target->calls.back().x, s.cycle.x[0][0]);
  }
  EXPECT_EQ(rig->bitmap->bulk_writes, bulk_before);
  EXPECT_EQ(s.cycle.filled[0][0], 0);
  EXPECT_EQ(s.cycle.fade_step, 0);
  // So the random fill later treats it as free and draws it again.
  bool redrawn = false;
  while (rig->host.repaints == 1 && !redrawn) {
    const TickRecord t = Tick(*rig);
    redrawn = t.fade == 0 && s.cycle.row == 0 && s.cycle.col == 0 && rig->host.repaints == 1;
  }
  EXPECT_TRUE(redrawn);
}

TEST(TickTest, UnknownAlgorithmOnlyCyclesTheFadeStep) {
  auto rig = StartedRig(13);
  SaverState& s = *rig->state;
  for (int i = 1; i <= 12; ++i) {
    rig->engine->Tick();
    EXPECT_EQ(s.cycle.fade_step, i % 5);
  }
  EXPECT_TRUE(rig->target->calls.empty());
  EXPECT_EQ(rig->host.repaints, 0);
}

TEST(TickTest, AFailureStopsTheTick) {
  static const uint8_t kJunk[] = {0xFF, 0xD8, 0x00};
  EngineRig rig(1024, 768, 12, 1, 100, [](int32_t) { return std::span<const uint8_t>(kJunk); });
  rig.settings.algorithm = 1;
  rig.Start();
  EXPECT_THROW(rig.engine->Tick(), JpegError);
  EXPECT_EQ(rig.state->cycle.fade_step, 0);  // not advanced
  EXPECT_TRUE(rig.target->calls.empty());
}

// A surface much taller than wide gives 200 rows: rings stop at ring 33, whose 199 slots fit.
TEST(TickTest, TallSurfacesKeepEverySequenceInsideTheTables) {
  for (const uint8_t algorithm : {0, 2, 3, 5, 12}) {
    EngineRig rig(100, 1000, 0, 1, kSmallSprite);
    ASSERT_EQ(rig.state->grid.rows, 200);
    rig.settings.algorithm = algorithm;
    rig.Start();
    const int ticks = rig.TicksUntilCycles(1, 200000);
    EXPECT_EQ(rig.host.repaints, 1) << int(algorithm);
    if (algorithm == 3 || algorithm == 5) {
      EXPECT_EQ(ticks, 5 * (1 + 3 * 33 * 34));
    }
    if (algorithm == 2) {
      EXPECT_EQ(ticks, 5 * 201 * 202 / 2);
    }
  }
}

}  // namespace
}  // namespace ambervale
