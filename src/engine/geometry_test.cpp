#include "engine/geometry.h"

#include <gtest/gtest.h>

#include "engine/real_math.h"

namespace ambervale {
namespace {

struct GeometryCase {
  int32_t width, height;
  uint8_t size;
  int32_t cols, rows, cell;
};

TEST(RoundTest, HalvesGoToEvenNeighbour) {
  EXPECT_EQ(Round(13.5L), 14);
  EXPECT_EQ(Round(12.5L), 12);
  EXPECT_EQ(Round(-0.5L), 0);
  EXPECT_EQ(Round(-1.5L), -2);
  EXPECT_EQ(Round(56.888L), 57);
  EXPECT_EQ(Round(1e30L), INT32_MAX);
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(Div(7, 0), 0);
}

TEST(GeometryTest, FullScreenRuleWorkedValues) {
  const GeometryCase cases[] = {
      {1024, 768, 12, 18, 14, 57}, {1280, 1024, 12, 18, 14, 71}, {1024, 768, 0, 30, 22, 34},
      {1024, 768, 20, 10, 8, 102}, {1920, 1080, 0, 30, 17, 64},  {800, 800, 5, 25, 25, 32},
  };
  for (const auto& c : cases) {
    auto state = std::make_unique<SaverState>();
    ApplyFullScreenGeometry(*state, c.size, c.width, c.height);
    EXPECT_EQ(state->grid.cols, c.cols) << c.width << "x" << c.height;
    EXPECT_EQ(state->grid.rows, c.rows) << c.width << "x" << c.height;
    EXPECT_EQ(state->grid.cell_width, c.cell) << c.width << "x" << c.height;
    EXPECT_EQ(state->grid.cell_height, state->grid.cell_width);
  }
}

TEST(GeometryTest, PreviewRuleDividesByWidthPlusOne) {
  auto state = std::make_unique<SaverState>();
  ApplyPreviewGeometry(*state, 152, 112);
  EXPECT_EQ(state->grid.cols, 10);
  EXPECT_EQ(state->grid.rows, 7);
  EXPECT_EQ(state->grid.cell_width, 15);
  ApplyPreviewGeometry(*state, 100, 100);
  EXPECT_EQ(state->grid.rows, 10);
  ApplyPreviewGeometry(*state, 200, 100);
  EXPECT_EQ(state->grid.rows, 5);
}

TEST(GeometryTest, DialogRuleTruncatesCellWidth) {
  auto state = std::make_unique<SaverState>();
  ApplyFullScreenGeometry(*state, 12, 1024, 768);
  EXPECT_EQ(state->grid.cell_width, 57);
  ApplyDialogGeometry(*state, 12);
  EXPECT_EQ(state->grid.cell_width, 56);
  ApplyDialogGeometry(*state, 13);
  EXPECT_EQ(state->grid.cols, 17);
  EXPECT_EQ(state->grid.rows, 13);
  EXPECT_EQ(state->grid.cell_width, 60);
}

TEST(GeometryTest, OutOfRangeInputKeepsAtLeastOneCellInsideTheTables) {
  auto state = std::make_unique<SaverState>();
  for (int size : {29, 30, 44, 255}) {
    ApplyFullScreenGeometry(*state, static_cast<uint8_t>(size), 1024, 768);
    EXPECT_GE(state->grid.cols, 1) << size;
    EXPECT_LE(state->grid.rows, kMaxGrid) << size;
  }
  ApplyFullScreenGeometry(*state, 12, 4000, 100);  // 40 x wider than tall: no rows by the formula
  EXPECT_EQ(state->grid.rows, 1);
  ApplyFullScreenGeometry(*state, 12, 100, 8000);  // tall portrait: rows capped at the table size
  EXPECT_EQ(state->grid.rows, kMaxGrid);
  EXPECT_EQ(LastRing(*state), kMaxRing);
  ApplyPreviewGeometry(*state, 9, 9);
  EXPECT_EQ(state->grid.cell_width, 0);
  ApplyFullScreenGeometry(*state, 12, 1, 1);
  EXPECT_EQ(state->grid.cell_width, 0);
  EXPECT_EQ(state->grid.rows, 18);
}

}  // namespace
}  // namespace ambervale
