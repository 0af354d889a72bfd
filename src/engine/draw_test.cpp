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
      s.SpriteA[i][j] = 200;
      s.SpriteR[i][j] = i;
      s.SpriteG[i][j] = j;
      s.SpriteB[i][j] = (i + j) & 0xFF;
    }
  }
}

TEST(DrawTest, FirstDrawRebuildsTheBitmapTransposedInOneBulkWrite) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  s.FadeStep = 0;
  s.CurRow = 3;
  s.CurCol = 4;
  rig.engine->Draw();
  EXPECT_EQ(rig.bitmap->bulk_writes, 1);
  for (int32_t x = 0; x < 100; ++x)
    for (int32_t y = 0; y < 100; ++y)
      ASSERT_EQ(rig.bitmap->Pixel(x, y), PackArgb(200, x, y, x + y)) << x << "," << y;
  EXPECT_EQ(s.FillGrid[3][4], 1);

  // Alpha 255 in the first plane row only: the bitmap's first column alone is opaque.
  for (auto& row : s.SpriteA) row.fill(0);
  s.SpriteA[0].fill(255);
  rig.engine->Draw();
  for (int32_t y = 0; y < 100; ++y) {
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(0, y)), 255);
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(1, y)), 0);
    EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(y, 1)), y == 0 ? 255 : 0);
  }
}

TEST(DrawTest, ComponentsKeepTheirLowEightBits) {
  EngineRig rig;
  SaverState& s = *rig.state;
  s.Transparent = 26;
  s.SpriteDib.PutPixel(10, 20, PackRgb(255, 0, 0));
  rig.engine->Snowflake();
  ASSERT_EQ(s.SpriteA[20][10], 260);
  rig.engine->Draw();
  EXPECT_EQ(rig.bitmap->Pixel(20, 10), PackArgb(4, 255, 0, 0));
  EXPECT_EQ(rig.bitmap->Pixel(10, 20), PackArgb(0, 255, 255, 255));
}

TEST(DrawTest, LaterDrawsReuseTheBitmapAndPlaceItAtTheCell) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  s.CurRow = 2;
  s.CurCol = 5;
  s.PosX[2][5] = -12;  // partly off the surface: the target clips
  s.PosY[2][5] = 130;
  s.FadeStep = 0;
  rig.engine->Draw();
  const std::vector<Argb> first = rig.bitmap->Pixels();
  s.FillGrid[2][5] = 0;

  for (auto& row : s.SpriteA) row.fill(7);  // a new sprite is built between the draws
  for (int32_t step = 1; step <= 4; ++step) {
    s.FadeStep = step;
    rig.engine->Draw();
  }
  EXPECT_EQ(rig.bitmap->bulk_writes, 1);
  EXPECT_EQ(rig.bitmap->Pixels(), first);
  EXPECT_EQ(s.FillGrid[2][5], 0);  // only the first draw marks
  ASSERT_EQ(rig.target->calls.size(), 5u);
  for (const auto& call : rig.target->calls)
    EXPECT_EQ(call, (RecordingTarget::DrawCall{rig.bitmap, -12, 130, s.CellWidth, s.CellHeight}));

  s.FadeStep = 0;  // the next cell's first draw shows the new planes
  rig.engine->Draw();
  EXPECT_EQ(AlphaOf(rig.bitmap->Pixel(0, 0)), 7);
}

TEST(DrawTest, MissingObjectsAndCellsOutsideTheTablesDrawNothing) {
  EngineRig rig;
  SaverState& s = *rig.state;
  for (const auto& cell : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{201, 3}, std::pair{3, 5000}}) {
    s.CurRow = cell.first;
    s.CurCol = cell.second;
    s.FadeStep = 0;
    rig.engine->Draw();
  }
  EXPECT_TRUE(rig.target->calls.empty());

  s.CurRow = s.CurCol = 1;
  s.SpriteBitmap.reset();
  rig.engine->Draw();
  EXPECT_TRUE(rig.target->calls.empty());
  EXPECT_EQ(s.FillGrid[1][1], 1);
  s.TargetGraphics.reset();
  s.SpriteBitmap = std::make_unique<MemoryBitmap>(100, 100);
  rig.engine->Draw();
}

TEST(DrawTest, BitmapOfAnotherSizeGetsTheSpriteCornerPixelByPixel) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillIndexedPlanes(s);
  auto small = std::make_unique<testing::CountingBitmap>(30, 40);
  testing::CountingBitmap* bitmap = small.get();
  s.SpriteBitmap = std::move(small);
  rig.engine->Draw();
  EXPECT_EQ(bitmap->bulk_writes, 0);
  EXPECT_EQ(bitmap->Pixel(29, 39), PackArgb(200, 29, 39, 68));
}

// Five draws of one cell build the leaf up: the background keeps (1 - a/255)^5 of itself.
TEST(DrawTest, FiveDrawsLeaveTheExpectedShareOfTheBackground) {
  struct Case {
    uint8_t transparent;
    double background_share;
  };
  for (const Case c : {Case{10, 0.0826}, Case{1, 0.8187}}) {
    EngineRig rig;
    SaverState& s = *rig.state;
    auto canvas_owned = std::make_unique<MemoryCanvas>(200, 200);
    MemoryCanvas* canvas = canvas_owned.get();
    canvas->Fill(0x000000);
    s.TargetGraphics = std::move(canvas_owned);
    s.Transparent = c.transparent;
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x = 0; x < 100; ++x) s.SpriteDib.PutPixel(x, y, x < 50 ? PackRgb(255, 255, 255) : 0);
    rig.engine->Snowflake();
    s.CellWidth = s.CellHeight = 100;
    s.CurRow = s.CurCol = 0;
    s.PosX[0][0] = 40;
    s.PosY[0][0] = 60;
    for (int32_t step = 0; step < 5; ++step) {
      s.FadeStep = step;
      rig.engine->Draw();
    }
    // The sprite's left half is leaf; transposed, it covers the top half of the cell.
    const double leaf = static_cast<double>(canvas->Pixel(70, 80) & 0xFF) / 255.0;
    EXPECT_NEAR(1.0 - leaf, c.background_share, 0.03) << int(c.transparent);
    EXPECT_EQ(canvas->Pixel(70, 150), 0u);  // keyed-out half: untouched
    EXPECT_EQ(canvas->Pixel(30, 80), 0u);   // outside the cell
  }
}

TEST(UpScreenTest, RestartsTheCycleBeforeRestoringWithTheTimerOff) {
  EngineRig rig;
  SaverState& s = *rig.state;
  s.Algorithm = 1;
  s.FadeStep = 3;
  s.CurRow = 4;
  s.CurCol = 6;
  s.FillGrid[2][2] = 1;
  bool reset_before_timer_off = false;
  rig.host.on_timer_off = [&] {
    reset_before_timer_off = s.FadeStep == 0 && s.CurRow == 0 && s.CurCol == 0 && s.FillGrid[2][2] == 0 &&
                             s.PosX[1][3] == 171;  // Round(1024 / 18 x 3): the layout is in place
  };
  rig.engine->UpScreen();
  EXPECT_TRUE(reset_before_timer_off);
  EXPECT_EQ(rig.host.events, (std::vector<std::string>{"timer-off", "repaint", "timer-on"}));
  EXPECT_TRUE(rig.target->calls.empty());  // never draws the capture outside a preview
}

TEST(UpScreenTest, PreviewDrawsTheCaptureOverTheWholeWindow) {
  EngineRig rig;
  SaverState& s = *rig.state;
  s.RunMode = 'P';
  ApplyPreviewGeometry(s, 152, 112);
  s.CaptureBitmap = std::make_unique<MemoryBitmap>(152, 112);
  size_t draws_at_timer_off = 99;
  rig.host.on_timer_off = [&] { draws_at_timer_off = rig.target->calls.size(); };
  rig.engine->UpScreen();
  EXPECT_EQ(draws_at_timer_off, 0u);
  EXPECT_EQ(rig.host.repaints, 0);
  ASSERT_EQ(rig.target->calls.size(), 1u);
  EXPECT_EQ(rig.target->calls[0], (RecordingTarget::DrawCall{s.CaptureBitmap.get(), 0, 0, 152, 112}));
  EXPECT_EQ(rig.host.events, (std::vector<std::string>{"timer-off", "timer-on"}));

  s.CaptureBitmap.reset();  // no capture: nothing to draw, the timer still restarts
  rig.engine->UpScreen();
  EXPECT_EQ(rig.target->calls.size(), 1u);
  EXPECT_EQ(rig.host.events.back(), "timer-on");
}

TEST(UpScreenTest, FailedRestoreLeavesTheTimerRunning) {
  EngineRig rig;
  rig.host.on_repaint = [] { throw std::runtime_error("no desktop"); };
  EXPECT_THROW(rig.engine->UpScreen(), std::runtime_error);
  EXPECT_EQ(rig.host.events, (std::vector<std::string>{"timer-off", "repaint", "timer-on"}));
}

}  // namespace
}  // namespace ambervale
