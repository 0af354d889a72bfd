#include "wayland/buffer_pair.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

constexpr int32_t kWidth = 8, kHeight = 4;

struct FakeMemory {
  std::vector<uint32_t> memory = std::vector<uint32_t>(kWidth * kHeight, 0);
};

// Memory a display would read, without a display (the memory made first).
class FakeBuffer final : private FakeMemory, public DisplayPixels {
 public:
  FakeBuffer() : DisplayPixels(memory.data(), kWidth, kHeight) {}
};

struct Pair {
  Pair() {
    first = new FakeBuffer;
    second = new FakeBuffer;
    EXPECT_TRUE(pair.Adopt(std::unique_ptr<FakeBuffer>(first), std::unique_ptr<FakeBuffer>(second)));
  }
  BufferPair<FakeBuffer> pair;
  FakeBuffer* first;
  FakeBuffer* second;
};

Damage Area(const Rect& rect) {
  Damage damage;
  damage.Add(rect);
  return damage;
}

// The saver draws in the first buffer, shows it, and moves to the second once the display
// holds the first: the second catches up with exactly what changed, and the next present
// shows it without a copy.
TEST(BufferPair, DrawsInPlaceAndMovesToTheFreeBufferCaughtUp) {
  Pair p;
  uint32_t* drawing = p.pair.StartDrawing(kWidth, kHeight);
  ASSERT_EQ(drawing, p.first->Pixels());
  drawing[1 * kWidth + 2] = 7;
  p.pair.Changed(Area({2, 1, 3, 2}), drawing);
  ASSERT_EQ(p.pair.ToPresent(drawing), p.first);
  // Not yet held: the drawing stays where it is.
  EXPECT_EQ(p.pair.MoveToFreeBuffer(drawing), nullptr);
  p.first->MarkAttached();
  uint32_t* moved = p.pair.MoveToFreeBuffer(drawing);
  ASSERT_EQ(moved, p.second->Pixels());
  EXPECT_EQ(moved[1 * kWidth + 2], 7u);
  EXPECT_EQ(p.pair.ToPresent(moved), p.second);
  // Both held: the drawing stays in the one just shown.
  p.second->MarkAttached();
  EXPECT_EQ(p.pair.MoveToFreeBuffer(moved), nullptr);
  p.first->Released();
  moved[0] = 9;
  moved[kWidth * kHeight - 1] = 4;  // not reported: not copied
  p.pair.Changed(Area({0, 0, 1, 1}), moved);
  EXPECT_EQ(p.pair.MoveToFreeBuffer(moved), p.first->Pixels());
  EXPECT_EQ(p.first->Pixels()[0], 9u);
  EXPECT_EQ(p.first->Pixels()[kWidth * kHeight - 1], 0u);
}

// A drawing in memory of its own (a size the buffers do not have yet): a present copies what
// changed into a free buffer, and none while the display holds both.
TEST(BufferPair, CopiesADrawingOfItsOwnIntoAFreeBuffer) {
  Pair p;
  EXPECT_EQ(p.pair.StartDrawing(kWidth + 1, kHeight), nullptr);
  std::vector<uint32_t> own(kWidth * kHeight, 5);
  p.pair.Changed(Area({0, 0, kWidth, kHeight}), own.data());
  p.first->MarkAttached();
  ASSERT_EQ(p.pair.ToPresent(own.data()), p.second);
  EXPECT_EQ(p.second->Pixels()[kWidth * kHeight - 1], 5u);
  p.second->MarkAttached();
  EXPECT_EQ(p.pair.ToPresent(own.data()), nullptr);
  EXPECT_EQ(p.pair.MoveToFreeBuffer(own.data()), nullptr);
}

// Without shared memory there are no buffers: nothing to draw into or present, and no crash.
TEST(BufferPair, AMissingBufferLeavesNone) {
  BufferPair<FakeBuffer> pair;
  EXPECT_FALSE(pair.Adopt(std::make_unique<FakeBuffer>(), nullptr));
  std::vector<uint32_t> own(kWidth * kHeight, 5);
  EXPECT_EQ(pair.StartDrawing(kWidth, kHeight), nullptr);
  pair.Changed(Area({0, 0, 1, 1}), own.data());
  EXPECT_EQ(pair.ToPresent(own.data()), nullptr);
  EXPECT_EQ(pair.MoveToFreeBuffer(own.data()), nullptr);
}

}  // namespace
}  // namespace ambervale
