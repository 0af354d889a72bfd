#include "engine/ring_mask.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/geometry.h"
#include "engine/layout.h"
#include "engine/test_fakes.h"

namespace ambervale {
namespace {

std::vector<int32_t> MaskedSlots(int32_t ring) {
  std::vector<int32_t> slots;
  for (int32_t slot = 0; slot <= 6 * ring; ++slot) {
    if (IsMaskedSlot(ring, slot)) slots.push_back(slot);
  }
  return slots;
}

TEST(RingMaskTest, MaskedSlotsOfTheFirstRings) {
  const std::vector<std::vector<int32_t>> expected = {
      {},
      {},
      {1, 3, 5, 7, 9, 11},
      {1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 16, 17},
      {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, 17, 18, 19, 21, 22, 23},
      {2, 8, 12, 18, 22, 28},
      {2, 3, 4, 8, 9, 10, 14, 15, 16, 20, 21, 22, 26, 27, 28, 32, 33, 34},
      {},
      {2, 3, 4, 6, 10, 12, 13, 14, 18, 19, 20, 22, 26, 28, 29, 30, 34, 35, 36, 38, 42, 44, 45, 46},
  };
  for (int32_t ring = 0; ring < static_cast<int32_t>(expected.size()); ++ring) {
    EXPECT_EQ(MaskedSlots(ring), expected[ring]) << "ring " << ring;
  }
  const size_t counts[] = {0, 0, 6, 12, 18, 6, 18, 0, 24, 12, 12, 12, 30, 18, 12, 30};
  for (int32_t ring = 0; ring < 16; ++ring) EXPECT_EQ(MaskedSlots(ring).size(), counts[ring]) << "ring " << ring;
}

// Three repeats around each ring, mirrored within each third; the quarter-turn slots (the
// mask angle a multiple of pi/2) always stay.
TEST(RingMaskTest, PatternIsThreefoldAndMirrored) {
  for (int32_t ring = 1; ring <= kMaxRing; ++ring) {
    for (int32_t s = 0; s + 2 * ring <= 6 * ring; ++s) {
      ASSERT_EQ(IsMaskedSlot(ring, s), IsMaskedSlot(ring, s + 2 * ring)) << ring << "/" << s;
    }
    for (int32_t s = 0; s <= 2 * ring; ++s) {
      ASSERT_EQ(IsMaskedSlot(ring, s), IsMaskedSlot(ring, 2 * ring - s)) << ring << "/" << s;
    }
    for (int32_t k = 0; k <= 6; ++k) EXPECT_FALSE(IsMaskedSlot(ring, k * ring)) << ring << "/" << k;
  }
  EXPECT_FALSE(IsMaskedSlot(0, 0));
  EXPECT_TRUE(IsMaskedSlot(4, 1));   // L about 2.240: v 0.615
  EXPECT_FALSE(IsMaskedSlot(5, 1));  // L about 4.903, above pi: reset and kept
}

TEST(RingMaskTest, MaskedRingAlgorithmsBlankOnlyMaskedSlots) {
  for (uint8_t algorithm : {11, 12}) {
    auto rings = std::make_unique<SaverState>();
    rings->cycle.algorithm = 3;
    ApplyFullScreenGeometry(*rings, 0, 1920, 1080);
    Random random(1);
    testing::StartOwnCycle(*rings, random);

    auto masked = std::make_unique<SaverState>();
    masked->cycle.algorithm = algorithm;
    ApplyFullScreenGeometry(*masked, 0, 1920, 1080);
    testing::StartOwnCycle(*masked, random);

    int blanked = 0;
    for (int32_t ring = 0; ring <= 8; ++ring) {
      for (int32_t slot = 0; slot <= 6 * ring; ++slot) {
        if (IsMaskedSlot(ring, slot)) {
          ++blanked;
          EXPECT_EQ(masked->cycle.x[ring][slot], 0);
          EXPECT_EQ(masked->cycle.y[ring][slot], 0);
        } else {
          EXPECT_EQ(masked->cycle.x[ring][slot], rings->cycle.x[ring][slot]);
          EXPECT_EQ(masked->cycle.y[ring][slot], rings->cycle.y[ring][slot]);
        }
      }
    }
    EXPECT_EQ(blanked, 84);  // of the 225 slots of rings 0..8
  }
}

TEST(RingMaskTest, StaysWithinTheRingsThatFitTheTables) {
  auto s = std::make_unique<SaverState>();
  for (auto& row : s->cycle.x) row.fill(7);
  for (auto& row : s->cycle.y) row.fill(7);
  s->grid.rows = 67;  // rings 0..33, the last with 199 slots
  ApplyRingMask(*s);
  int blanked_last_ring = 0;
  for (int32_t slot = 0; slot <= 198; ++slot) blanked_last_ring += s->cycle.x[33][slot] == 0 ? 1 : 0;
  EXPECT_EQ(blanked_last_ring, static_cast<int>(MaskedSlots(33).size()));
  EXPECT_EQ(s->cycle.x[33][199], 7);

  for (int32_t rows : {68, 200, 100000, -4}) {
    for (auto& row : s->cycle.x) row.fill(7);
    s->grid.rows = rows;
    ApplyRingMask(*s);
    for (int32_t r = 34; r < kGridSize; ++r) {
      for (int32_t c = 0; c < kGridSize; ++c) ASSERT_EQ(s->cycle.x[r][c], 7) << rows;
    }
  }
}

}  // namespace
}  // namespace ambervale
