#include "engine/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "engine/geometry.h"
#include "engine/real_math.h"
#include "engine/ring_mask.h"
#include "engine/test_fakes.h"

namespace ambervale {
namespace {

constexpr int32_t kUnwritten = std::numeric_limits<int32_t>::min() + 12345;

std::unique_ptr<SaverState> FullScreen(int32_t width, int32_t height, uint8_t size, uint8_t algorithm) {
  auto state = std::make_unique<SaverState>();
  state->cycle.algorithm = algorithm;
  ApplyFullScreenGeometry(*state, size, width, height);
  return state;
}

void MarkUnwritten(SaverState& state) {
  for (auto& row : state.cycle.x) row.fill(kUnwritten);
  for (auto& row : state.cycle.y) row.fill(kUnwritten);
}

// The cells a layout writes, as a table of flags.
using CellSet = std::array<std::array<bool, kGridSize>, kGridSize>;

CellSet ExpectedCells(const SaverState& state) {
  CellSet cells{};
  for (const LayoutCell& cell : LayoutCells(state)) cells.at(cell.row).at(cell.col) = true;
  return cells;
}

// Counts written cells and reports the first write outside the layout's own cells.
int CountWritten(const SaverState& state, const CellSet& expected) {
  int written = 0;
  for (int32_t r = 0; r < kGridSize; ++r) {
    for (int32_t c = 0; c < kGridSize; ++c) {
      const bool touched = state.cycle.x[r][c] != kUnwritten || state.cycle.y[r][c] != kUnwritten;
      if (touched && !expected[r][c]) {
        ADD_FAILURE() << "algorithm " << int{state.cycle.algorithm} << " wrote [" << r << "][" << c << "]";
        return -1;
      }
      written += touched ? 1 : 0;
    }
  }
  return written;
}

// Runs one cycle's layout on a fresh 1920x1080 Size 0 screen (30 columns, 17 rows, 64 px).
std::unique_ptr<SaverState> FullHd(uint8_t algorithm) {
  auto state = FullScreen(1920, 1080, 0, algorithm);
  MarkUnwritten(*state);
  Random random(1);
  testing::StartOwnCycle(*state, random);
  return state;
}

TEST(LayoutTest, WorkedPositionsOnFullHd) {
  struct Worked {
    uint8_t algorithm;
    int32_t row, col, x, y;
  };
  // clang-format off
  const Worked worked[] = {
      // Plain grid: the quotient is scaled by the index, so the last row sits on the edge.
      {1, 1, 3, 192, 64}, {7, 2, 0, 0, 127}, {8, 17, 30, 1920, 1080}, {1, 17, 0, 0, 1080},
      // Column wave: +-a third of a cell, every other column, period four.
      {9, 0, 1, 64, 21}, {9, 0, 2, 128, 0}, {9, 0, 3, 192, -21}, {9, 1, 3, 192, 43}, {9, 0, 5, 320, 21},
      // Row wave: neighbouring rows in opposite phase.
      {10, 0, 1, 64, 7}, {10, 1, 1, 64, 57}, {10, 1, 3, 192, 49},
      // Pyramid around the middle, no half cell subtracted.
      {2, 0, 0, 960, 0}, {2, 1, 0, 952, 64}, {2, 1, 1, 968, 64}, {2, 17, 0, 416, 1080}, {2, 17, 17, 1504, 1080},
      // Rings, clockwise on screen from the right; the last slot closes on slot 0.
      {3, 0, 0, 928, 508}, {3, 1, 0, 992, 508}, {3, 1, 1, 960, 563}, {3, 1, 3, 864, 508}, {3, 1, 6, 992, 508},
      {3, 2, 0, 1056, 508}, {5, 1, 1, 960, 563}, {11, 1, 1, 960, 563}, {12, 2, 2, 992, 619}, {11, 2, 1, 0, 0},
      // Spiral: the last slot of a ring lands on slot 0 of the next.
      {4, 1, 0, 992, 508}, {4, 1, 3, 819, 508}, {6, 1, 6, 1056, 508}, {6, 2, 0, 1056, 508},
  };
  // clang-format on
  for (const Worked& w : worked) {
    auto s = FullHd(w.algorithm);
    EXPECT_EQ(s->cycle.x[w.row][w.col], w.x)
        << "algorithm " << int{w.algorithm} << " [" << w.row << "][" << w.col << "]";
    EXPECT_EQ(s->cycle.y[w.row][w.col], w.y)
        << "algorithm " << int{w.algorithm} << " [" << w.row << "][" << w.col << "]";
  }
  // Numbers sharing a layout differ only in the tick's order.
  EXPECT_EQ(FullHd(1)->cycle.y, FullHd(7)->cycle.y);
  EXPECT_EQ(FullHd(4)->cycle.x, FullHd(6)->cycle.x);
  EXPECT_EQ(FullHd(3)->cycle.x, FullHd(5)->cycle.x);

  const std::vector<LayoutCell> pyramid = LayoutCells(*FullHd(2));
  EXPECT_EQ(pyramid[1], (LayoutCell{1, 0}));
  EXPECT_EQ(pyramid[3], (LayoutCell{2, 0}));
  EXPECT_EQ(pyramid.back(), (LayoutCell{17, 17}));

  auto half = FullScreen(1280, 1024, 0, 3);  // cells of 43: the centre falls on halves
  Random random(1);
  testing::StartOwnCycle(*half, random);
  EXPECT_EQ(half->cycle.x[0][0], 618);  // 618.5
  EXPECT_EQ(half->cycle.y[0][0], 490);  // 490.5
}

// Each layout writes exactly its own cells and nothing else.
TEST(LayoutTest, LayoutsWriteExactlyTheirCells) {
  struct Count {
    int32_t width, height;
    bool preview;
    int32_t rows;  // 0: as the geometry gives
    uint8_t algorithm;
    int cells;
  };
  const Count counts[] = {
      {1920, 1080, false, 0, 1, 18 * 31}, {1920, 1080, false, 0, 2, 171},   {1920, 1080, false, 0, 3, 225},
      {1920, 1080, false, 16, 11, 225},  // odd rows give the rings of the even number below
      {1920, 1080, false, 67, 3, 3400},   {1920, 1080, false, 68, 4, 3400},  // ring 33 at most
      {1920, 1080, false, 200, 12, 3400}, {152, 112, true, 0, 1, 8 * 11},   {152, 112, true, 0, 0, 8 * 11},
      {152, 112, true, 0, 2, 36},         {152, 112, true, 0, 5, 40},       {152, 112, true, 0, 10, 88},
  };
  for (const Count& c : counts) {
    auto s = std::make_unique<SaverState>();
    s->cycle.algorithm = c.algorithm;
    if (c.preview) {
      ApplyPreviewGeometry(*s, c.width, c.height);
    } else {
      ApplyFullScreenGeometry(*s, 0, c.width, c.height);
    }
    if (c.rows != 0) s->grid.rows = c.rows;
    MarkUnwritten(*s);
    Random random(1);
    testing::StartOwnCycle(*s, random);
    EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), c.cells)
        << c.width << "x" << c.height << " rows " << s->grid.rows << " algorithm " << int{c.algorithm};
  }
}

TEST(LayoutTest, JitterDrawsXThenYPerCellRowByRow) {
  auto s = FullScreen(1920, 1080, 0, 0);
  Random random(20240607);
  Random replay(20240607);
  testing::StartOwnCycle(*s, random);
  for (int32_t row = 0; row <= 17; ++row) {
    for (int32_t col = 0; col <= 30; ++col) {
      const int32_t dx = replay(32) - 16;
      const int32_t dy = replay(32) - 16;
      ASSERT_EQ(s->cycle.x[row][col], 64 * col + dx) << row << "," << col;
      ASSERT_EQ(s->cycle.y[row][col], Round(1080.0L / 17 * row) + dy) << row << "," << col;
    }
  }
  EXPECT_EQ(random.seed(), replay.seed());  // nothing else drawn

  // Cells narrower than two pixels get no jitter but still consume the draws.
  auto tiny = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*tiny, 9, 9);
  ASSERT_EQ(tiny->grid.cell_width, 0);
  Random r1(7), r2(7);
  testing::StartOwnCycle(*tiny, r1);
  for (int32_t i = 0; i < 2 * (tiny->grid.rows + 1) * 11; ++i) r2(0);
  EXPECT_EQ(r1.seed(), r2.seed());
  EXPECT_EQ(tiny->cycle.x[0][1], 1);  // 0.9 rounds up
}

TEST(LayoutTest, RandomPickStaysWithinZeroToNine) {
  auto s = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*s, 40, 20);  // a small grid keeps the many calls cheap
  const int32_t jitter_draws = 2 * (s->grid.rows + 1) * (s->grid.cols + 1);
  Random random(99);
  Random replay(99);
  std::array<int, 256> seen{};
  const int kCalls = 20000;
  for (int i = 0; i < kCalls; ++i) {
    s->cycle.algorithm = static_cast<uint8_t>(i % 2 ? 12 : 10 + i % 246);  // whatever it was before
    testing::StartOwnCycle(*s, random, /*pick=*/true);
    // The pick comes first: Random(20) <= 10 chooses 5 + Random(5), otherwise Random(5).
    const int32_t expected = replay(20) <= 10 ? 5 + replay(5) : replay(5);
    ASSERT_EQ(s->cycle.algorithm, expected) << "call " << i;
    if (expected == 0) {
      for (int32_t d = 0; d < jitter_draws; ++d) replay(0);
    }
    ++seen[s->cycle.algorithm];
  }
  // 5..9 come with 11/100 each, 0..4 with 9/100 each, 10..12 never.
  for (int a = 10; a < 256; ++a) EXPECT_EQ(seen[a], 0) << a;
  for (int a = 0; a < 5; ++a) EXPECT_NEAR(seen[a], kCalls * 9 / 100, kCalls / 100) << a;
  for (int a = 5; a < 10; ++a) EXPECT_NEAR(seen[a], kCalls * 11 / 100, kCalls / 100) << a;
}

TEST(LayoutTest, AlgorithmStaysPutWithoutRandomPick) {
  auto s = FullScreen(1024, 768, 12, 0);
  for (int a = 0; a < 256; ++a) {
    s->cycle.algorithm = static_cast<uint8_t>(a);
    Random random(5);
    testing::StartOwnCycle(*s, random);
    EXPECT_EQ(s->cycle.algorithm, a);
    if (a != 0) {
      EXPECT_EQ(random.seed(), 5u) << "algorithm " << a << " drew a random number";
    }
  }
}

TEST(LayoutTest, AlgorithmAboveTwelveOnlyResetsTheCycle) {
  auto s = FullScreen(1024, 768, 12, 3);  // 18 x 14
  MarkUnwritten(*s);
  for (auto& row : s->cycle.filled) row.fill(1);
  for (int a = 13; a < 256; ++a) {
    s->cycle.algorithm = static_cast<uint8_t>(a);
    for (int32_t r = 0; r <= 14; ++r) s->cycle.filled[r].fill(1);
    s->cycle.fade_step = 3;
    s->cycle.col = 4;
    s->cycle.row = 5;
    Random random(3);
    testing::StartOwnCycle(*s, random);
    EXPECT_EQ(s->cycle.fade_step, 0);
    EXPECT_EQ(s->cycle.col, 0);
    EXPECT_EQ(s->cycle.row, 0);
    EXPECT_EQ(s->cycle.filled[14][18], 0);
    EXPECT_EQ(s->cycle.filled[0][0], 0);
    EXPECT_EQ(s->cycle.filled[15][0], 1);  // outside rows 0..grid.rows: left alone
    EXPECT_EQ(s->cycle.filled[0][19], 1);
  }
  EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 0);
}

TEST(LayoutTest, HandMadeStatesStayInsideTheTables) {
  struct Case {
    int32_t cols, rows, cell, width, height;
  };
  // clang-format off
  const Case cases[] = {
      {0, 0, 0, 0, 0},       {-5, -5, -5, -100, -100}, {1000, 1000, 64, 1920, 1080},
      {30, 0, 64, 1920, 1}, {0, 17, 64, 1920, 1080},  {30, 17, std::numeric_limits<int32_t>::max(), 1920, 1080},
      {200, 200, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
       std::numeric_limits<int32_t>::min()},
  };
  // clang-format on
  for (const auto& c : cases) {
    auto s = std::make_unique<SaverState>();
    s->grid.cols = c.cols;
    s->grid.rows = c.rows;
    s->grid.cell_width = s->grid.cell_height = c.cell;
    s->grid.surface_width = c.width;
    s->grid.surface_height = c.height;
    for (int a = 0; a <= 13; ++a) {
      s->cycle.algorithm = static_cast<uint8_t>(a);
      MarkUnwritten(*s);
      Random random(11);
      testing::StartOwnCycle(*s, random);
      EXPECT_GE(CountWritten(*s, ExpectedCells(*s)), 0);
    }
  }
}

// Sweeps surfaces from 1 to 8000 pixels each way through the three geometry rules, every
// Size value and every algorithm: each layout writes exactly its own cells, inside the
// tables, at positions near the surface (no overflow or NaN garbage).
TEST(LayoutPropertyTest, EverySurfaceSizeAndAlgorithmStaysInBounds) {
  std::vector<int32_t> extents = {1,  2,  3,   9,   10,   11,   19,   20,   21,   29,   30,
                                  31, 99, 152, 640, 1024, 1080, 1920, 2160, 3840, 7999, 8000};
  Random pick(424242);
  while (extents.size() < 32) extents.push_back(1 + pick(8000));

  // Half of all width x height pairs (a checkerboard, so every extent meets 16 others); each
  // Size value comes twice, under different rules.
  int run = 0;
  for (size_t wi = 0; wi < extents.size(); ++wi) {
    for (size_t hi = (wi % 2); hi < extents.size(); hi += 2, ++run) {
      const int32_t width = extents[wi];
      const int32_t height = extents[hi];
      auto s = std::make_unique<SaverState>();
      const uint8_t size = static_cast<uint8_t>(run % 256);
      switch (run % 3) {
        case 0: ApplyFullScreenGeometry(*s, size, width, height); break;
        case 1: ApplyPreviewGeometry(*s, width, height); break;
        default:
          ApplyFullScreenGeometry(*s, size, width, height);
          ApplyDialogGeometry(*s, static_cast<uint8_t>((run * 37) % 256));
          break;
      }
      ASSERT_GE(s->grid.cols, 1);
      ASSERT_LE(s->grid.cols, kMaxGrid);
      ASSERT_GE(s->grid.rows, 1);
      ASSERT_LE(s->grid.rows, kMaxGrid);
      const int64_t slack = (kMaxGrid + 2) * static_cast<int64_t>(s->grid.cell_width) + 2;
      for (int a = 0; a <= 13; ++a) {
        s->cycle.algorithm = static_cast<uint8_t>(a);
        const bool full_check = (run + a) % 16 == 0;
        if (full_check) MarkUnwritten(*s);
        Random random(static_cast<uint32_t>(run * 13 + a));
        testing::StartOwnCycle(*s, random);
        if (full_check) {
          ASSERT_GE(CountWritten(*s, ExpectedCells(*s)), 0);
        }
        // Every position lies within a few cells (the pyramid's spread) of the surface.
        for (const LayoutCell& cell : LayoutCells(*s)) {
          const int32_t x = s->cycle.x[cell.row][cell.col];
          const int32_t y = s->cycle.y[cell.row][cell.col];
          ASSERT_TRUE(x >= -slack && x <= width + slack && y >= -slack && y <= height + slack)
              << width << "x" << height << " algorithm " << a << " cell " << cell.row << "," << cell.col;
        }
      }
    }
  }
  EXPECT_EQ(run, 512);
}

}  // namespace
}  // namespace ambervale
