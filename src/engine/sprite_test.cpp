#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::EngineRig;

void ExpectBackground(const SaverState& s, int32_t y, int32_t x) {
  EXPECT_EQ(s.SpriteR[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.SpriteG[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.SpriteB[y][x], 255) << "y " << y << " x " << x;
  EXPECT_EQ(s.SpriteA[y][x], 0) << "y " << y << " x " << x;
}

void FillPlanes(SaverState& s, int32_t value) {
  for (auto* plane : {&s.SpriteR, &s.SpriteG, &s.SpriteB, &s.SpriteA})
    for (auto& row : *plane) row.fill(value);
}

TEST(SnowflakeTest, EachChannelAloneAboveOneHundredMakesLeaf) {
  EngineRig rig;
  SaverState& s = *rig.state;
  struct Case {
    int32_t r, g, b;
    bool leaf;
  };
  const Case cases[] = {{101, 0, 0, true},  {100, 100, 100, false}, {0, 0, 101, true}, {0, 101, 0, true},
                        {0, 0, 0, false},   {255, 255, 255, true},  {100, 0, 100, false}};
  for (int32_t x = 0; x < static_cast<int32_t>(std::size(cases)); ++x)
    s.SpriteDib.PutPixel(x, 7, PackRgb(cases[x].r, cases[x].g, cases[x].b));
  s.ImageIndex = 0;  // no picture: the surface keeps the pixels put above
  rig.engine->Snowflake();
  for (int32_t x = 0; x < static_cast<int32_t>(std::size(cases)); ++x) {
    const Case& c = cases[x];
    if (c.leaf) {
      EXPECT_EQ(s.SpriteR[7][x], c.r);
      EXPECT_EQ(s.SpriteG[7][x], c.g);
      EXPECT_EQ(s.SpriteB[7][x], c.b);
      EXPECT_EQ(s.SpriteA[7][x], 80);
    } else {
      ExpectBackground(s, 7, x);
    }
  }
}

TEST(SnowflakeTest, LeafAlphaIsTenTimesTransparentUnclamped) {
  EngineRig rig;
  SaverState& s = *rig.state;
  s.SpriteDib.PutPixel(3, 4, PackRgb(200, 150, 120));
  for (const int32_t transparent : {0, 1, 8, 10, 26, 255}) {
    s.Transparent = static_cast<uint8_t>(transparent);
    rig.engine->Snowflake();
    EXPECT_EQ(s.SpriteA[4][3], 10 * transparent);
    EXPECT_EQ(s.SpriteR[4][3], 200);
  }
}

TEST(SnowflakeTest, StartUpSpriteIsWhollyTransparentWhite) {
  EngineRig rig;
  SaverState& s = *rig.state;
  FillPlanes(s, 42);  // whatever a previous sprite left
  rig.engine->Snowflake();
  for (int32_t y = 0; y < kSpriteSize; ++y)
    for (int32_t x = 0; x < kSpriteSize; ++x) ExpectBackground(s, y, x);
  EXPECT_EQ(rig.engine->PlanesImageIndex(), 0);
}

TEST(SnowflakeTest, PictureIsKeyedAndSpareRowAndColumnStayBackground) {
  EngineRig rig;
  SaverState& s = *rig.state;
  // A fully bright surface first, so that the spare row and column would show leftovers.
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) s.SpriteDib.PutPixel(x, y, PackRgb(250, 250, 250));
  rig.engine->Snowflake();
  EXPECT_EQ(s.SpriteA[99][99], 80);

  s.ImageIndex = 11;
  rig.engine->Snowflake();
  s.ImageIndex = 3;
  rig.engine->Snowflake();
  EXPECT_EQ(rig.engine->PlanesImageIndex(), 3);
  // Well inside the square: the leaf of picture 3 (red 118); well outside: background.
  EXPECT_NEAR(s.SpriteR[50][50], 118, 3);
  EXPECT_NEAR(s.SpriteG[50][50], 32, 3);
  EXPECT_NEAR(s.SpriteB[50][50], 16, 3);
  EXPECT_EQ(s.SpriteA[50][50], 80);
  EXPECT_EQ(s.SpriteA[12][22], 80);
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
      if (s.SpriteA[y][x] == 0) {
        ExpectBackground(s, y, x);
      } else {
        EXPECT_LT(std::abs(s.SpriteR[y][x] - 118), 40) << y << "," << x;
      }
    }
  }
}

TEST(SnowflakeTest, IndexOutsideTheSetDrawsNoPicture) {
  EngineRig rig;
  SaverState& s = *rig.state;
  for (const int32_t index : {-1, 0, 26, 1000}) {
    s.SpriteDib.PutPixel(60, 60, PackRgb(0, 0, 180));
    s.ImageIndex = index;
    rig.engine->Snowflake();
    EXPECT_EQ(s.SpriteB[60][60], 180) << index;  // the surface's own pixel, not a picture
    EXPECT_EQ(s.SpriteA[50][50], 0) << index;
  }
}

TEST(SnowflakeTest, PreviewSpriteIsTheReducedPictureKeyedAfterReduction) {
  EngineRig rig(1024, 768, 12, 1, 20);
  SaverState& s = *rig.state;
  s.ImageIndex = 5;
  rig.engine->Snowflake();
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
          matched = leaf ? (s.SpriteR[y][x] == r && s.SpriteG[y][x] == g && s.SpriteB[y][x] == b && s.SpriteA[y][x] == 80)
                         : (s.SpriteR[y][x] == 255 && s.SpriteA[y][x] == 0);
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

TEST(SnowflakeTest, OddSurfacesStayInsideThePlanes) {
  {
    EngineRig rig(1024, 768, 12, 1, 150);  // larger than the planes
    SaverState& s = *rig.state;
    s.SpriteRect = Rect{0, 0, 150, 150};
    for (int32_t y = 0; y < 150; ++y)
      for (int32_t x = 0; x < 150; ++x) s.SpriteDib.PutPixel(x, y, PackRgb(200, 200, 200));
    rig.engine->Snowflake();
    EXPECT_EQ(s.SpriteA[99][99], 80);
    ExpectBackground(s, 100, 100);
    s.FadeStep = 0;
    rig.engine->Draw();  // the rebuild is bounded the same way
  }
  {
    EngineRig rig;
    SaverState& s = *rig.state;
    s.SpriteDib.SetDibWidth(0);  // empty surface
    s.ImageIndex = 4;
    EXPECT_NO_THROW(rig.engine->Snowflake());
    EXPECT_NO_THROW(rig.engine->Draw());
  }
  {
    EngineRig rig;  // 8 bits a pixel: rows hold a third of the bytes the key pass reads
    rig.state->SpriteDib.SetDepth(8);
    rig.state->ImageIndex = 0;
    EXPECT_NO_THROW(rig.engine->Snowflake());
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
  rig.state->ImageIndex = 7;
  rig.engine->Snowflake();
  rig.engine->Snowflake();
  EXPECT_EQ(rig.leaves.Image(7)->DecodeCount(), 1);
}

}  // namespace
}  // namespace ambervale
