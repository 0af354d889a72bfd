#include "surfaces/back_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "surfaces/memory_surfaces.h"
#include "testing/test_surfaces.h"

namespace ambervale {
namespace {

// Five draws at alpha 80 of red 250, green 120, blue 10 over 0x204060: each channel
// moves 1 - (175/255)^5 of the way, rounded at every draw (worked out by hand: 0xD87017).
TEST(BackBufferTest, BlendsSourceOverAndTracksTheChangedRectangle) {
  BackBuffer buffer(40, 30);
  buffer.FillBackground(0x204060);
  buffer.Restore();
  EXPECT_EQ(buffer.TakeDirty(), (Rect{0, 0, 40, 30}));
  EXPECT_EQ(buffer.TakeDirty(), Rect{});

  MemoryBitmap leaf = Solid(10, 10, PackArgb(80, 250, 120, 10));
  for (int draw = 0; draw < 5; ++draw) buffer.DrawScaled(&leaf, 35, -2, 8, 8);  // partly off the right and top
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x)
      ASSERT_EQ(buffer.Pixel(x, y), x >= 35 && y < 6 ? 0xD87017u : 0x204060u) << x << "," << y;
  EXPECT_EQ(buffer.TakeDirty(), (Rect{35, 0, 40, 6}));

  // The same bitmap with new pixels draws them, not the scaled copy of the old ones.
  const std::vector<Argb> opaque(100, PackArgb(255, 1, 2, 3));
  leaf.PutArgbRows(opaque.data());
  buffer.DrawScaled(&leaf, 35, -2, 8, 8);
  EXPECT_EQ(buffer.Pixel(36, 1), 0x010203u);
  EXPECT_EQ(buffer.TakeDirty(), (Rect{35, 0, 40, 6}));

  buffer.DrawScaled(&leaf, 100, 100, 8, 8);  // wholly off the buffer
  EXPECT_EQ(buffer.TakeDirty(), Rect{});
  buffer.Restore();
  EXPECT_EQ(buffer.Pixel(36, 1), 0x204060u);
}

// Keyed pixels are scaled once per cell size: a second bitmap under the same key (here, against
// the key's promise, with other pixels) draws the copy already scaled at that size; at another
// size it is scaled afresh.
TEST(BackBufferTest, KeyedLeavesAreScaledOncePerCellSize) {
  BackBuffer buffer(40, 20);
  const uint64_t key = NewContentKey();
  MemoryBitmap red(4, 4), blue(4, 4);
  const std::vector<Argb> reds(16, PackArgb(255, 200, 0, 0)), blues(16, PackArgb(255, 0, 0, 200));
  red.PutKeyedArgbRows(reds.data(), key);
  blue.PutKeyedArgbRows(blues.data(), key);
  EXPECT_EQ(blue.Generation(), red.Generation());
  buffer.DrawScaled(&red, 0, 0, 8, 8);
  buffer.DrawScaled(&blue, 10, 0, 8, 8);
  buffer.DrawScaled(&blue, 20, 0, 9, 9);
  EXPECT_EQ(buffer.Pixel(10, 0), 0xC80000u);
  EXPECT_EQ(buffer.Pixel(20, 0), 0x0000C8u);
}

// A restore copies back what was drawn since the last one (and only that is to be presented),
// all of the background after it changed; the buffer draws into memory it is given.
TEST(BackBufferTest, RestoreCopiesWhatWasDrawnUnlessTheBackgroundChanged) {
  std::vector<uint32_t> memory(20 * 10, 7);
  BackBuffer buffer(20, 10, memory.data());
  buffer.FillBackground(0x111111);
  EXPECT_TRUE(buffer.Restore());
  EXPECT_EQ(memory[0], 0x111111u);
  const MemoryBitmap leaf = Solid(2, 2, PackArgb(255, 1, 2, 3));
  buffer.DrawScaled(&leaf, 3, 3, 2, 2);
  EXPECT_EQ(buffer.Pixels(), memory.data());
  EXPECT_EQ(memory[3 * 20 + 3], 0x010203u);
  memory[199] = 9;  // never drawn: no restore of it
  buffer.TakeDirty();
  EXPECT_FALSE(buffer.Restore());
  EXPECT_EQ(buffer.Pixel(3, 3), 0x111111u);
  EXPECT_EQ(memory[199], 9u);
  EXPECT_EQ(buffer.TakeDirty(), (Rect{3, 3, 5, 5}));
  buffer.Background()[199] = 0x222222;
  EXPECT_TRUE(buffer.Restore());
  EXPECT_EQ(memory[199], 0x222222u);
}

// One monitor's cycle ends: its leaves go, the leaves on the other monitor of the same buffer
// stay, and go at that monitor's own restore.
TEST(BackBufferTest, RestoreWithinOneMonitorKeepsTheOthersLeaves) {
  BackBuffer buffer(20, 10);
  buffer.FillBackground(0x111111);
  buffer.Restore();
  const MemoryBitmap leaf = Solid(2, 2, PackArgb(255, 1, 2, 3));
  buffer.DrawScaled(&leaf, 3, 3, 2, 2);
  buffer.DrawScaled(&leaf, 13, 3, 2, 2);
  EXPECT_FALSE(buffer.RestoreWithin(Rect{0, 0, 10, 10}));
  EXPECT_EQ(buffer.Pixel(3, 3), 0x111111u);
  EXPECT_EQ(buffer.Pixel(13, 3), 0x010203u);
  buffer.DrawScaled(&leaf, 3, 3, 2, 2);  // the left monitor's next cycle
  buffer.RestoreWithin(Rect{10, 0, 20, 10});
  EXPECT_EQ(buffer.Pixel(13, 3), 0x111111u);
  EXPECT_EQ(buffer.Pixel(3, 3), 0x010203u);
}

TEST(BackBufferTest, BadSizesAndForeignBackgroundsAreRefused) {
  BackBuffer empty(0, 10);
  EXPECT_EQ(empty.Width(), 0);
  const MemoryBitmap leaf = Solid(2, 2, 0xFFFFFFFF);
  empty.DrawScaled(&leaf, 0, 0, 2, 2);
  EXPECT_EQ(empty.TakeDirty(), Rect{});

  BackBuffer buffer(2, 2);
  buffer.SetBackground({1, 2, 3});  // wrong size: ignored
  buffer.SetBackground({1, 2, 3, 4});
  buffer.Restore();
  EXPECT_EQ(buffer.Pixel(1, 1), 4u);
  buffer.DrawScaled(nullptr, 0, 0, 2, 2);
  EXPECT_EQ(buffer.LastStatus(), DrawStatus::kInvalidParameter);
}

// A buffer behind a window over several monitors starts left of and above the primary
// monitor: leaves placed in screen coordinates land origin-shifted, the dirty rectangle is in
// buffer pixels.
TEST(BackBufferTest, OriginMapsScreenCoordinatesToBufferPixels) {
  BackBuffer buffer(30, 20);
  buffer.SetOrigin(Point{-10, -5});
  const MemoryBitmap leaf = Solid(4, 4, PackArgb(255, 1, 2, 3));
  buffer.DrawScaled(&leaf, -12, -5, 4, 4);  // partly left of the virtual screen
  EXPECT_EQ(buffer.Pixel(0, 0), 0x010203u);
  EXPECT_EQ(buffer.Pixel(1, 3), 0x010203u);
  EXPECT_EQ(buffer.Pixel(2, 0), 0u);
  EXPECT_EQ(buffer.TakeDirty(), (Rect{0, 0, 2, 4}));
  buffer.DrawScaled(&leaf, INT32_MAX - 2, 0, 4, 4);  // far beyond: nothing, no overflow
  EXPECT_EQ(buffer.TakeDirty(), Rect{});
}

// One monitor of the virtual screen: draws stay inside it, and its restore leaves the others.
TEST(BackBufferTest, ClipAndAreaRestoreTakeScreenCoordinates) {
  BackBuffer buffer(30, 20);
  buffer.SetOrigin(Point{-10, 0});
  const MemoryBitmap leaf = Solid(4, 4, PackArgb(255, 1, 2, 3));
  buffer.DrawScaled(&leaf, 2, 0, 4, 4);  // on the primary, buffer columns 12..15
  buffer.ClipTo(Rect{-10, 0, 0, 20});    // the monitor left of the primary
  buffer.DrawScaled(&leaf, -2, 10, 4, 4);
  EXPECT_EQ(buffer.Pixel(8, 10), 0x010203u);
  EXPECT_EQ(buffer.Pixel(10, 10), 0u);
  buffer.TakeDirty();
  buffer.Restore(Rect{-10, 0, 0, 20});
  EXPECT_EQ(buffer.Pixel(8, 10), 0u);
  EXPECT_EQ(buffer.Pixel(12, 0), 0x010203u);
  EXPECT_EQ(buffer.TakeDirty(), (Rect{0, 0, 10, 20}));
}

// A monitor left of the primary went: the buffer over what remains keeps the old picture
// where both lie, and its own elsewhere.
TEST(BackBufferTest, CopiedBackgroundLandsAtTheSameScreenCoordinates) {
  BackBuffer old_screen(4, 2);
  old_screen.SetOrigin(Point{-2, 0});
  old_screen.SetBackground({1, 2, 3, 4, 5, 6, 7, 8});
  BackBuffer new_screen(3, 3);
  new_screen.FillBackground(9);
  new_screen.Restore();
  new_screen.CopyBackgroundFrom(old_screen);
  EXPECT_TRUE(new_screen.Restore());
  EXPECT_EQ(new_screen.Background(), (std::vector<uint32_t>{3, 4, 9, 7, 8, 9, 9, 9, 9}));
}

}  // namespace
}  // namespace ambervale
