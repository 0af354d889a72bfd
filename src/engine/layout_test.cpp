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

namespace ambervale {
namespace {

constexpr int32_t kUnwritten = std::numeric_limits<int32_t>::min() + 12345;

std::unique_ptr<SaverState> FullScreen(int32_t width, int32_t height, uint8_t size, uint8_t algorithm) {
  auto state = std::make_unique<SaverState>();
  state->Size = size;
  state->Algorithm = algorithm;
  ApplyFullScreenGeometry(*state, width, height);
  return state;
}

void MarkUnwritten(SaverState& state) {
  for (auto& row : state.PosX) row.fill(kUnwritten);
  for (auto& row : state.PosY) row.fill(kUnwritten);
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
      const bool touched = state.PosX[r][c] != kUnwritten || state.PosY[r][c] != kUnwritten;
      if (touched && !expected[r][c]) {
        ADD_FAILURE() << "algorithm " << int{state.Algorithm} << " wrote [" << r << "][" << c << "]";
        return -1;
      }
      written += touched ? 1 : 0;
    }
  }
  return written;
}

TEST(LayoutTest, GridLayoutsOnFullHdAtSizeZero) {
  Random random(1);
  for (uint8_t algorithm : {1, 7, 8}) {
    auto s = FullScreen(1920, 1080, 0, algorithm);
    ASSERT_EQ(s->GridCols, 30);
    ASSERT_EQ(s->GridRows, 17);
    ASSERT_EQ(s->CellWidth, 64);
    UpAlgorithm(*s, random);
    EXPECT_EQ(s->PosX[1][3], 192);
    EXPECT_EQ(s->PosY[1][3], 64);
    EXPECT_EQ(s->PosY[2][0], 127);  // 1080 / 17 x 2 = 127.06
    EXPECT_EQ(s->PosX[0][30], 1920);
    for (int32_t col = 0; col <= 30; ++col) EXPECT_EQ(s->PosY[17][col], 1080);
  }

  auto wave = FullScreen(1920, 1080, 0, 9);
  UpAlgorithm(*wave, random);
  EXPECT_EQ(wave->PosY[0][0], 0);
  EXPECT_EQ(wave->PosY[0][1], 21);
  EXPECT_EQ(wave->PosY[0][2], 0);
  EXPECT_EQ(wave->PosY[0][3], -21);
  EXPECT_EQ(wave->PosY[1][3], 43);
  EXPECT_EQ(wave->PosY[0][5], 21);
  EXPECT_EQ(wave->PosX[1][3], 192);

  auto row_wave = FullScreen(1920, 1080, 0, 10);
  UpAlgorithm(*row_wave, random);
  EXPECT_EQ(row_wave->PosY[0][1], 7);  // 6.508
  EXPECT_EQ(row_wave->PosY[1][1], 57);
  EXPECT_EQ(row_wave->PosY[1][3], 49);
  EXPECT_EQ(row_wave->PosX[1][3], 192);
}

TEST(LayoutTest, PyramidWidensDownwardAroundTheMiddle) {
  Random random(1);
  auto s = FullScreen(1920, 1080, 0, 2);
  MarkUnwritten(*s);
  UpAlgorithm(*s, random);
  EXPECT_EQ(s->PosX[0][0], 960);
  EXPECT_EQ(s->PosY[0][0], 0);
  EXPECT_EQ(s->PosX[1][0], 952);
  EXPECT_EQ(s->PosX[1][1], 968);
  EXPECT_EQ(s->PosY[1][1], 64);
  EXPECT_EQ(s->PosX[17][0], 416);
  EXPECT_EQ(s->PosX[17][17], 1504);
  EXPECT_EQ(s->PosY[17][9], 1080);
  EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 171);
  const std::vector<LayoutCell> cells = LayoutCells(*s);
  ASSERT_EQ(cells.size(), 171u);
  EXPECT_EQ(cells[1], (LayoutCell{1, 0}));
  EXPECT_EQ(cells[3], (LayoutCell{2, 0}));
  EXPECT_EQ(cells.back(), (LayoutCell{17, 17}));
}

TEST(LayoutTest, RingsAndSpiralOnFullHdAtSizeZero) {
  Random random(1);
  for (uint8_t algorithm : {3, 5, 11, 12}) {
    auto s = FullScreen(1920, 1080, 0, algorithm);
    MarkUnwritten(*s);
    UpAlgorithm(*s, random);
    SCOPED_TRACE(int{algorithm});
    EXPECT_EQ(s->PosX[0][0], 928);
    EXPECT_EQ(s->PosY[0][0], 508);
    EXPECT_EQ(s->PosX[1][0], 992);
    EXPECT_EQ(s->PosY[1][0], 508);
    EXPECT_EQ(s->PosX[1][1], 960);
    EXPECT_EQ(s->PosY[1][1], 563);  // clockwise on screen: y grows first
    EXPECT_EQ(s->PosX[1][3], 864);
    EXPECT_EQ(s->PosX[1][6], 992);
    EXPECT_EQ(s->PosY[1][6], 508);
    EXPECT_EQ(s->PosX[2][0], 1056);
    EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 225);  // rings 0..8
  }

  auto spiral = FullScreen(1920, 1080, 0, 4);
  UpAlgorithm(*spiral, random);
  EXPECT_EQ(spiral->PosX[1][0], 992);
  EXPECT_EQ(spiral->PosX[1][3], 819);
  EXPECT_EQ(spiral->PosY[1][3], 508);
  EXPECT_EQ(spiral->PosX[1][6], 1056);
  EXPECT_EQ(spiral->PosX[1][6], spiral->PosX[2][0]);  // winds into the next ring
  auto algorithm6 = FullScreen(1920, 1080, 0, 6);
  UpAlgorithm(*algorithm6, random);
  EXPECT_EQ(algorithm6->PosX, spiral->PosX);
  EXPECT_EQ(algorithm6->PosY, spiral->PosY);
}

TEST(LayoutTest, RingCentreRoundsHalvesToEven) {
  Random random(1);
  auto s = FullScreen(1280, 1024, 0, 3);
  ASSERT_EQ(s->CellWidth, 43);
  UpAlgorithm(*s, random);
  EXPECT_EQ(s->PosX[0][0], 618);  // 618.5
  EXPECT_EQ(s->PosY[0][0], 490);  // 490.5
}

TEST(LayoutTest, PreviewLayoutsCoverTheSmallGrid) {
  Random random(1);
  auto s = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*s, 152, 112);
  ASSERT_EQ(s->CellWidth, 15);
  const std::pair<uint8_t, int> counts[] = {{1, 8 * 11}, {0, 8 * 11}, {2, 36}, {3, 40}, {4, 40}, {10, 8 * 11}};
  for (const auto& [algorithm, cells] : counts) {
    s->Algorithm = algorithm;
    MarkUnwritten(*s);
    UpAlgorithm(*s, random);
    EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), cells) << int{algorithm};
  }
}

TEST(LayoutTest, JitterDrawsXThenYPerCellRowByRow) {
  auto s = FullScreen(1920, 1080, 0, 0);
  Random random(20240607);
  Random replay(20240607);
  UpAlgorithm(*s, random);
  for (int32_t row = 0; row <= 17; ++row) {
    for (int32_t col = 0; col <= 30; ++col) {
      const int32_t dx = replay(32) - 16;
      const int32_t dy = replay(32) - 16;
      ASSERT_EQ(s->PosX[row][col], 64 * col + dx) << row << "," << col;
      ASSERT_EQ(s->PosY[row][col], Round(1080.0L / 17 * row) + dy) << row << "," << col;
    }
  }
  EXPECT_EQ(random.seed(), replay.seed());  // nothing else drawn

  // Cells narrower than two pixels get no jitter but still consume the draws.
  auto tiny = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*tiny, 9, 9);
  ASSERT_EQ(tiny->CellWidth, 0);
  Random r1(7), r2(7);
  UpAlgorithm(*tiny, r1);
  for (int32_t i = 0; i < 2 * (tiny->GridRows + 1) * 11; ++i) r2(0);
  EXPECT_EQ(r1.seed(), r2.seed());
  EXPECT_EQ(tiny->PosX[0][1], 1);  // 0.9 rounds up
}

TEST(LayoutTest, RandomPickStaysWithinZeroToNine) {
  auto s = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*s, 40, 20);  // a small grid keeps the many calls cheap
  s->Rands_Algorithm = true;
  Random random(99);
  std::array<int, 256> seen{};
  const int kCalls = 20000;
  for (int i = 0; i < kCalls; ++i) {
    s->Algorithm = static_cast<uint8_t>(i % 2 ? 12 : 10 + i % 246);  // whatever it was before
    UpAlgorithm(*s, random);
    ++seen[s->Algorithm];
  }
  for (int a = 10; a < 256; ++a) EXPECT_EQ(seen[a], 0) << a;
  // 5..9 come with 11/100 each, 0..4 with 9/100 each; allow a wide margin.
  for (int a = 0; a < 5; ++a) EXPECT_NEAR(seen[a], kCalls * 9 / 100, kCalls / 50) << a;
  for (int a = 5; a < 10; ++a) EXPECT_NEAR(seen[a], kCalls * 11 / 100, kCalls / 50) << a;
}

TEST(LayoutTest, AlgorithmStaysPutWithoutRandomPick) {
  auto s = FullScreen(1024, 768, 12, 0);
  for (int a = 0; a < 256; ++a) {
    s->Algorithm = static_cast<uint8_t>(a);
    Random random(5);
    UpAlgorithm(*s, random);
    EXPECT_EQ(s->Algorithm, a);
    if (a != 0) {
      EXPECT_EQ(random.seed(), 5u) << "algorithm " << a << " drew a random number";
    }
  }
}

TEST(LayoutTest, AlgorithmAboveTwelveOnlyResetsTheCycle) {
  auto s = FullScreen(1024, 768, 12, 3);  // 18 x 14
  MarkUnwritten(*s);
  for (auto& row : s->FillGrid) row.fill(1);
  for (int a = 13; a < 256; ++a) {
    s->Algorithm = static_cast<uint8_t>(a);
    for (int32_t r = 0; r <= 14; ++r) s->FillGrid[r].fill(1);
    s->FadeStep = 3;
    s->CurCol = 4;
    s->CurRow = 5;
    Random random(3);
    UpAlgorithm(*s, random);
    EXPECT_EQ(s->FadeStep, 0);
    EXPECT_EQ(s->CurCol, 0);
    EXPECT_EQ(s->CurRow, 0);
    EXPECT_EQ(s->FillGrid[14][18], 0);
    EXPECT_EQ(s->FillGrid[0][0], 0);
    EXPECT_EQ(s->FillGrid[15][0], 1);  // outside rows 0..GridRows: left alone
    EXPECT_EQ(s->FillGrid[0][19], 1);
  }
  EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 0);
}

TEST(LayoutTest, RingCountFollowsGridRowsUpToTheTableCapacity) {
  Random random(1);
  auto s = FullScreen(1920, 1080, 0, 3);
  for (int32_t rows : {16, 17}) {  // odd rows give the rings of the even number below
    s->GridRows = rows;
    MarkUnwritten(*s);
    UpAlgorithm(*s, random);
    EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 225) << rows;
  }
  for (int32_t rows : {67, 68, 69, 200}) {
    s->GridRows = rows;
    MarkUnwritten(*s);
    UpAlgorithm(*s, random);
    EXPECT_EQ(CountWritten(*s, ExpectedCells(*s)), 3400) << rows;
    EXPECT_NE(s->PosX[33][198], kUnwritten);  // the last ring's 199th slot
    EXPECT_EQ(s->PosX[34][0], kUnwritten);
  }
}

TEST(LayoutTest, HandMadeStatesStayInsideTheTables) {
  struct Case {
    int32_t cols, rows, cell, width, height;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},       {-5, -5, -5, -100, -100}, {1000, 1000, 64, 1920, 1080},
      {30, 0, 64, 1920, 1}, {0, 17, 64, 1920, 1080},  {30, 17, std::numeric_limits<int32_t>::max(), 1920, 1080},
      {200, 200, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
       std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) {
    auto s = std::make_unique<SaverState>();
    s->GridCols = c.cols;
    s->GridRows = c.rows;
    s->CellWidth = s->CellHeight = c.cell;
    s->SurfaceWidth = c.width;
    s->SurfaceHeight = c.height;
    for (int a = 0; a <= 13; ++a) {
      s->Algorithm = static_cast<uint8_t>(a);
      MarkUnwritten(*s);
      Random random(11);
      UpAlgorithm(*s, random);
      EXPECT_GE(CountWritten(*s, ExpectedCells(*s)), 0);
    }
  }
}

// Sweeps surfaces from 1 to 8000 pixels each way through the three geometry rules, every
// Size value and every algorithm: each layout writes exactly its own cells, inside the
// tables, at positions near the surface (no overflow or NaN garbage).
TEST(LayoutPropertyTest, EverySurfaceSizeAndAlgorithmStaysInBounds) {
  std::vector<int32_t> extents = {1,   2,    3,    9,    10,   11,   19,   20,   21,   29,   30,
                                  31,  99,   152,  640,  1024, 1080, 1920, 2160, 3840, 7999, 8000};
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
      s->Size = static_cast<uint8_t>(run % 256);
      switch (run % 3) {
        case 0:
          ApplyFullScreenGeometry(*s, width, height);
          break;
        case 1:
          ApplyPreviewGeometry(*s, width, height);
          break;
        default:
          ApplyFullScreenGeometry(*s, width, height);
          s->Size = static_cast<uint8_t>((run * 37) % 256);
          ApplyDialogGeometry(*s);
          break;
      }
      ASSERT_GE(s->GridCols, 1);
      ASSERT_LE(s->GridCols, kMaxGrid);
      ASSERT_GE(s->GridRows, 1);
      ASSERT_LE(s->GridRows, kMaxGrid);
      const int64_t slack = (kMaxGrid + 2) * static_cast<int64_t>(s->CellWidth) + 2;
      for (int a = 0; a <= 13; ++a) {
        s->Algorithm = static_cast<uint8_t>(a);
        const bool full_check = (run + a) % 16 == 0;
        if (full_check) MarkUnwritten(*s);
        Random random(static_cast<uint32_t>(run * 13 + a));
        UpAlgorithm(*s, random);
        if (full_check) {
          ASSERT_GE(CountWritten(*s, ExpectedCells(*s)), 0);
        }
        // Every position lies within a few cells (the pyramid's spread) of the surface.
        for (const LayoutCell& cell : LayoutCells(*s)) {
          const int32_t x = s->PosX[cell.row][cell.col];
          const int32_t y = s->PosY[cell.row][cell.col];
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
