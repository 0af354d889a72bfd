#include "surfaces/damage.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(Damage, KeepsFarApartAreasApartAndJoinsNeighbours) {
  Damage damage;
  damage.Add({0, 0, 10, 10});
  damage.Add({10, 0, 20, 10});       // touching: one part
  damage.Add({500, 300, 510, 310});  // far off: a part of its own
  damage.Add({5, 5, 5, 50});         // empty: nothing
  EXPECT_EQ(damage.Parts(), (std::vector<Rect>{{0, 0, 20, 10}, {500, 300, 510, 310}}));
  EXPECT_EQ(damage.Bounds(), (Rect{0, 0, 510, 310}));

  // Past the most parts, areas join the last; clipping drops what lies outside.
  for (int i = 0; i < 10; ++i) damage.Add({100 * i, 1000, 100 * i + 10, 1010});
  EXPECT_EQ(damage.Parts().size(), Damage::kMaxParts);
  EXPECT_EQ(damage.Parts().back(), (Rect{500, 1000, 910, 1010}));
  damage.ClipTo({0, 0, 400, 400});
  EXPECT_EQ(damage.Parts(), (std::vector<Rect>{{0, 0, 20, 10}}));
}

}  // namespace
}  // namespace ambervale
