#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::EngineRig;

void ExpectBackground(const SaverState& s, int32_t y, int32_t x) {
  EXPECT_EQ(s.sprite.red[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.sprite.green[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.sprite.blue[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.sprite.alpha[y][x], 0) << "y " << y << " x " << x;
}

void FillPlanes(SaverState& s, int32_t value) {
  for (auto* plane : {&s.sprite.red, &s.sprite.green, &s.sprite.blue, &s.sprite.alpha})
    for (auto& row : *plane) row.fill(value);
}

TEST(BuildSpriteTest, EachChannelAloneAboveOneHundredMakesLeaf) {
  EngineRig rig;
  SaverState& s = *rig.state;
  struct Case {
    int32_t r, g, b;
    bool leaf;
  };
  const Case cases[] = {{101, 0, 0, true}, {100, 100, 100, false}, {0, 0, 101, true},   {0, 101, 0, true},
                        {0, 0, 0, false},  {255, 255, 255, true},  {100, 0, 100, false}};
  for (int32_t x = 0; x < static_cast<int32_t>(std::size(cases)); ++x)
    s.sprite.dib.PutPixel(x, 7, PackRgb(cases[x].r, cases[x].g, cases[x].b));
  s.cycle.image_index = 0;  // no picture: the surface keeps the pixels put above
  rig.engine->BuildSprite();
  for (int32_t x = 0; x < static_cast<int32_t>(std::size(cases)); ++x) {
    const Case& c = cases[x];
    if (c.leaf) {
      EXPECT_EQ(s.sprite.red[7][x], c.r);
      EXPECT_EQ(s.sprite.green[7][x], c.g);
      EXPECT_EQ(s.sprite.blue[7][x], c.b);
      EXPECT_EQ(s.sprite.alpha[7][x], 80);
    } else {
      ExpectBackground(s, 7, x);
    }
  }
}

TEST(BuildSpriteTest, LeafAlphaIsTenTimesTransparentUnclamped) {
  EngineRig rig;
  SaverState& s = *rig.state;
  s.sprite.dib.PutPixel(3, 4, PackRgb(200, 150, 120));
  for (const int32_t opacity : {0, 1, 8, 10, 26, 255}) {
    rig.settings.opacity = static_cast<uint8_t>(opacity);
    rig.engine->BuildSprite();
    EXPECT_EQ(s.sprite.alpha[4][3], 10 * opacity);
    EXPECT_EQ(s.sprite.red[4][3], 200);
  }
}

TEST(BuildSpriteTest, StartUpSpriteIsWhollyTransparentWhite) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillPlanes(s, 42);  // whatever a previous sprite left
  rig.engine->BuildSprite();
  for (int32_t y = 0; y < kSpriteSize; ++y)
    for (int32_t x = 0; x < kSpriteSize; ++x) ExpectBackground(s, y, x);
  EXPECT_EQ(rig.engine->PlanesImageIndex(), 0);
}

TEST(BuildSpriteTest, PictureIsKeyedAndSpareRowAndColumnStayBackground) {
  EngineRig rig;
  SaverState& s = *rig.state;
  // A fully bright surface first, so that the spare row and column would show leftovers.
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) s.sprite.dib.PutPixel(x, y, PackRgb(250, 250, 250));
  rig.engine->BuildSprite();
  EXPECT_EQ(s.sprite.alpha[99][99], 80);

  s.cycle.image_index = 11;
  rig.engine->BuildSprite();
  s.cycle.image_index = 3;
  rig.engine->BuildSprite();
  EXPECT_EQ(rig.engine->PlanesImageIndex(), 3);
  // Well inside the square: the leaf of picture 3 (red 118); well outside: background.
  EXPECT_NEAR(s.sprite.red[50][50], 118, 3);
  EXPECT_NEAR(s.sprite.green[50][50], 32, 3);
  EXPECT_NEAR(s.sprite.blue[50][50], 16, 3);
  EXPECT_EQ(s.sprite.alpha[50][50], 80);
  EXPECT_EQ(s.sprite.alpha[12][22], 80);
  ExpectBackground(s, 2, 2);
  ExpectBackground(s, 50, 5);
  ExpectBackground(s, 95, 50);
  for (int32_t i = 0; i < kSpriteSize; ++i) {
    ExpectBackground(s, 100, i);
    ExpectBackground(s, i, 100);
  }
  // Every plane entry is either background or a keyed leaf pixel: nothing of sprite 11 stays.
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 100; ++x) {
      if (s.sprite.alpha[y][x] == 0) {
        ExpectBackground(s, y, x);
      } else {
        EXPECT_LT(std::abs(s.sprite.red[y][x] - 118), 40) << y << "," << x;
      }
    }
  }
}

// A picture keyed once is a lookup after that: the planes are not keyed again and the bitmap
// gets the same pixels; another transparency keys it afresh.
TEST(BuildSpriteTest, APictureIsKeyedOncePerTransparency) {
  EngineRig rig;
  SaverState& s = *rig.state;
  const auto draw_leaf = [&](int32_t index) {
    s.cycle.image_index = index;
    rig.engine->BuildSprite();
    rig.engine->DrawCell();
    return rig.bitmap->Pixels();
  };
  const std::vector<Argb> leaf3 = draw_leaf(3);
  EXPECT_NE(draw_leaf(5), leaf3);
  EXPECT_EQ(draw_leaf(3), leaf3);
  EXPECT_NEAR(s.sprite.red[50][50], 130, 3);  // still picture 5's planes
  rig.settings.opacity = 9;
  draw_leaf(3);
  EXPECT_NEAR(s.sprite.red[50][50], 118, 3);
  EXPECT_EQ(s.sprite.alpha[50][50], 90);
}

TEST(BuildSpriteTest, IndexOutsideTheSetDrawsNoPicture) {
  EngineRig rig;
  SaverState& s = *rig.state;
  for (const int32_t index : {-1, 0, 26, 1000}) {
    s.sprite.dib.PutPixel(60, 60, PackRgb(0, 0, 180));
    s.cycle.image_index = index;
    rig.engine->BuildSprite();
    EXPECT_EQ(s.sprite.blue[60][60], 180) << index;  // the surface's own pixel, not a picture
    EXPECT_EQ(s.sprite.alpha[50][50], 0) << index;
  }
}

TEST(BuildSpriteTest, PreviewSpriteIsTheReducedPictureKeyedAfterReduction) {
  EngineRig rig(1024, 768, 12, 1, 20);
  SaverState& s = *rig.state;
  s.cycle.image_index = 5;
  rig.engine->BuildSprite();
  const DecodedPicture& picture = rig.leaves.Image(5)->Decoded();
  ASSERT_EQ(picture.width, 100);
  // Each sprite pixel is one pixel of its 5 x 5 block of the picture (dropped, not averaged).
  for (int32_t y = 0; y < 20; ++y) {
    for (int32_t x = 0; x < 20; ++x) {
      bool matched = false;
      for (int32_t sy = 5 * y; sy < 5 * y + 5 && !matched; ++sy) {
        for (int32_t sx = 5 * x; sx < 5 * x + 5 && !matched; ++sx) {
          const uint8_t* p = picture.pixels.data() + static_cast<size_t>(sy) * picture.row_bytes + 3 * sx;
          const int32_t b = p[0], g = p[1], r = p[2];
          const bool leaf = r > 100 || g > 100 || b > 100;
          matched = leaf ? (s.sprite.red[y][x] == r && s.sprite.green[y][x] == g && s.sprite.blue[y][x] == b &&
                            s.sprite.alpha[y][x] == 80)
                         : (s.sprite.red[y][x] == 255 && s.sprite.alpha[y][x] == 0);
        }
      }
      EXPECT_TRUE(matched) << "sprite pixel " << x << "," << y;
    }
  }
  for (int32_t i = 0; i <= 20; ++i) {
    ExpectBackground(s, 20, i);
    ExpectBackground(s, i, 20);
  }
}

TEST(BuildSpriteTest, OddSurfacesStayInsideThePlanes) {
  {
    EngineRig rig(1024, 768, 12, 1, 150);  // larger than the planes
    SaverState& s = *rig.state;
    s.sprite.rect = Rect{0, 0, 150, 150};
    for (int32_t y = 0; y < 150; ++y)
      for (int32_t x = 0; x < 150; ++x) s.sprite.dib.PutPixel(x, y, PackRgb(200, 200, 200));
    rig.engine->BuildSprite();
    EXPECT_EQ(s.sprite.alpha[99][99], 80);
    ExpectBackground(s, 100, 100);
    s.cycle.fade_step = 0;
    rig.engine->DrawCell();  // the rebuild is bounded the same way
  }
  {
    EngineRig rig;
    SaverState& s = *rig.state;
    s.sprite.dib.SetDibWidth(0);  // empty surface
    s.cycle.image_index = 4;
    EXPECT_NO_THROW(rig.engine->BuildSprite());
    EXPECT_NO_THROW(rig.engine->DrawCell());
  }
  {
    EngineRig rig;  // 8 bits a pixel: rows hold a third of the bytes the key pass reads
    rig.state->sprite.dib.SetDepth(8);
    rig.state->cycle.image_index = 0;
    EXPECT_NO_THROW(rig.engine->BuildSprite());
  }
}

TEST(LeafImageSetTest, NumbersOneToTwentyFiveDecodeOnceOnFirstUse) {
  int requested = 0;
  LeafImageSet set([&](int32_t index) {
    ++requested;
    return testing::TestLeafBytes(index);
  });
  EXPECT_EQ(requested, 25);
  EXPECT_EQ(set.Image(0), nullptr);
  EXPECT_EQ(set.Image(26), nullptr);
  EXPECT_EQ(set.Image(-3), nullptr);
  ASSERT_NE(set.Image(1), nullptr);
  ASSERT_NE(set.Image(25), nullptr);
  EXPECT_NE(set.Image(1), set.Image(25));
  EXPECT_FALSE(set.Image(7)->IsDecoded());

  EngineRig rig;
  rig.state->cycle.image_index = 7;
  rig.engine->BuildSprite();
  rig.engine->BuildSprite();
  EXPECT_EQ(rig.leaves.Image(7)->DecodeCount(), 1);
}

}  // namespace
}  // namespace ambervale
