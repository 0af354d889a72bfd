#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::EngineRig;

// Plane entry [i][j] gets colour components that name i and j.
void FillIndexedPlanes(SaverState& s) {
  for (int32_t i = 0; i < kSpriteSize; ++i) {
    for (int32_t j = 0; j < kSpriteSize; ++j) {
      s.sprite.alpha[i][j] = 200;
      s.sprite.red[i][j] = i;
      s.sprite.green[i][j] = j;
      s.sprite.blue[i][j] = (i + j) & 0xFF;
    }
  }
}

TEST(DrawTest, FirstDrawRebuildsTheBitmapTransposedInOneBulkWrite) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  s.cycle.fade_step = 0;
  s.cycle.row = 3;
  s.cycle.col = 4;
  rig.engine->DrawCell();
  EXPECT_EQ(rig.bitmap->bulk_writes, 1);
  for (int32_t x = 0; x < 100; ++x)
    for (int32_t y = 0; y < 100; ++y) ASSERT_EQ(rig.bitmap->Pixel(x, y), PackArgb(200, x, y, x + y)) << x << "," << y;
  EXPECT_EQ(s.cycle.filled[3][4], 1);

  // Alpha 255 in the first plane row only: the bitmap's first column alone is opaque.
  for (auto& row : s.sprite.alpha) row.fill(0);
  s.sprite.alpha[0].fill(255);
  rig.engine->DrawCell();
  for (int32_t y = 0; y < 100; ++y) {
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(0, y)), 255);
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(1, y)), 0);
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(y, 1)), y == 0 ? 255 : 0);
  }
}

TEST(DrawTest, ComponentsKeepTheirLowEightBits) {
  EngineRig rig;
  SaverState& s = *rig.state;
  rig.settings.opacity = 26;
  s.sprite.dib.PutPixel(10, 20, PackRgb(255, 0, 0));
  rig.engine->BuildSprite();
  ASSERT_EQ(s.sprite.alpha[20][10], 260);
  rig.engine->DrawCell();
  EXPECT_EQ(rig.bitmap->Pixel(20, 10), PackArgb(4, 255, 0, 0));
  EXPECT_EQ(rig.bitmap->Pixel(10, 20), PackArgb(0, 255, 255, 255));
}

TEST(DrawTest, LaterDrawsReuseTheBitmapAndPlaceItAtTheCell) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  s.cycle.row = 2;
  s.cycle.col = 5;
  s.cycle.x[2][5] = -12;  // partly off the surface: the target clips
  s.cycle.y[2][5] = 130;
  s.cycle.fade_step = 0;
  rig.engine->DrawCell();
  const std::vector<Argb> first = rig.bitmap->Pixels();
  s.cycle.filled[2][5] = 0;

  for (auto& row : s.sprite.alpha) row.fill(7);  // a new sprite is built between the draws
  for (int32_t step = 1; step <= 4; ++step) {
    s.cycle.fade_step = step;
    rig.engine->DrawCell();
  }
  EXPECT_EQ(rig.bitmap->bulk_writes, 1);
  EXPECT_EQ(rig.bitmap->Pixels(), first);
  EXPECT_EQ(s.cycle.filled[2][5], 0);  // only the first draw marks
  ASSERT_EQ(rig.target->calls.size(), 5u);
  for (const auto& call : rig.target->calls)
    EXPECT_EQ(call, (RecordingTarget::DrawCall{rig.bitmap, -12, 130, s.grid.cell_width, s.grid.cell_height}));

  s.cycle.fade_step = 0;  // the next cell's first draw shows the new planes
  rig.engine->DrawCell();
  EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(0, 0)), 7);
}

TEST(DrawTest, MissingObjectsAndCellsOutsideTheTablesDrawNothing) {
  EngineRig rig;
  SaverState& s = *rig.state;
  for (const auto& cell : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{201, 3}, std::pair{3, 5000}}) {
    s.cycle.row = cell.first;
    s.cycle.col = cell.second;
    s.cycle.fade_step = 0;
    rig.engine->DrawCell();
  }
  EXPECT_TRUE(rig.target->calls.empty());

  s.cycle.row = s.cycle.col = 1;
  s.sprite.bitmap.reset();
  rig.engine->DrawCell();
  EXPECT_TRUE(rig.target->calls.empty());
  EXPECT_EQ(s.cycle.filled[1][1], 1);
  s.target.reset();
  s.sprite.bitmap = std::make_unique<MemoryBitmap>(100, 100);
  rig.engine->DrawCell();
}

TEST(DrawTest, BitmapOfAnotherSizeGetsTheSpriteCornerPixelByPixel) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  auto small = std::make_unique<testing::CountingBitmap>(30, 40);
  testing::CountingBitmap* bitmap = small.get();
  s.sprite.bitmap = std::move(small);
  rig.engine->DrawCell();
  EXPECT_EQ(bitmap->bulk_writes, 0);
  EXPECT_EQ(bitmap->Pixel(29, 39), PackArgb(200, 29, 39, 68));
}

// Five draws of one cell build the leaf up: the background keeps (1 - a/255)^5 of itself.
TEST(DrawTest, FiveDrawsLeaveTheExpectedShareOfTheBackground) {
  struct Case {
    uint8_t opacity;
    double background_share;
  };
  for (const Case c : {Case{10, 0.0826}, Case{1, 0.8187}}) {
    EngineRig rig;
    SaverState& s = *rig.state;
    auto canvas_owned = std::make_unique<MemoryCanvas>(200, 200);
    MemoryCanvas* canvas = canvas_owned.get();
    canvas->Fill(0x000000);
    s.target = std::move(canvas_owned);
    rig.settings.opacity = c.opacity;
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x = 0; x < 100; ++x) s.sprite.dib.PutPixel(x, y, x < 50 ? PackRgb(255, 255, 255) : 0);
    rig.engine->BuildSprite();
    s.grid.cell_width = s.grid.cell_height = 100;
    s.cycle.row = s.cycle.col = 0;
    s.cycle.x[0][0] = 40;
    s.cycle.y[0][0] = 60;
    for (int32_t step = 0; step < 5; ++step) {
      s.cycle.fade_step = step;
      rig.engine->DrawCell();
    }
    // The sprite's left half is leaf; transposed, it covers the top half of the cell.
    const double leaf = static_cast<double>(canvas->Pixel(70, 80) & 0xFF) / 255.0;
    EXPECT_NEAR(1.0 - leaf, c.background_share, 0.03) << int(c.opacity);
    EXPECT_EQ(canvas->Pixel(70, 150), 0u);  // keyed-out half: untouched
    EXPECT_EQ(canvas->Pixel(30, 80), 0u);   // outside the cell
  }
}

TEST(RestoreAndRestartTest, RestartsTheCycleBeforeRestoringItsScreensArea) {
  EngineRig rig;
  SaverState& s = *rig.state;
  rig.settings.algorithm = 1;
  s.cycle.fade_step = 3;
  s.cycle.row = 4;
  s.cycle.col = 6;
  s.cycle.filled[2][2] = 1;
  bool reset_before_restore = false;
  rig.host.on_repaint = [&] {
    reset_before_restore = s.cycle.fade_step == 0 && s.cycle.row == 0 && s.cycle.col == 0 &&
                           s.cycle.filled[2][2] == 0 &&
                           s.cycle.x[1][3] == 171;  // Round(1024 / 18 x 3): the layout is in place
  };
  rig.engine->RestoreAndRestart();
  EXPECT_TRUE(reset_before_restore);
  EXPECT_EQ(rig.host.shown, (std::vector<Rect>{{0, 0, 1024, 768}}));
  EXPECT_TRUE(rig.target->calls.empty());  // the run shows the desktop, never the engine
}

}  // namespace
}  // namespace ambervale
