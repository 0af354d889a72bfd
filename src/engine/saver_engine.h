// One screen's engine: the operations that work on its SaverState (layout, sprite, draw,
// restore, tick), free of any platform. The run's MonitorSet gives each engine the run's restore.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "surfaces/colors.h"

#include "engine/random.h"
#include "engine/saver_state.h"
#include "engine/settings.h"
#include "surfaces/jpeg_image.h"

namespace ambervale {

// What a cycle's end asks of the run (SaverRun): the desktop (a preview's picture) shows again
// under `area`, in the draw target's coordinates, every leaf gone.
using DesktopRestore = std::function<void(const Rect& area)>;

// A leaf picture keyed into the sprite bitmap's pixels (transposed, as the bitmap takes them)
// for one transparency and sprite size, and the content key that names those pixels.
struct KeyedLeaf {
  int32_t alpha = -1;
  int32_t width = 0, height = 0;  // of the bitmap
  uint64_t key = 0;
  std::vector<Argb> pixels;
};

// The twenty-five leaf pictures Image1..Image25, each decoded at its first use and kept, and
// each keyed once for the sprite's size and transparency (every screen's engine shares them).
class LeafImageSet {
 public:
  static constexpr int32_t kCount = 25;
  using PictureSource = std::function<std::span<const uint8_t>(int32_t index)>;  // index 1..25

  explicit LeafImageSet(const PictureSource& source, PictureDepth depth = PictureDepth::kTrueColour);
  // Picture number index (1..25), or null for any other value.
  JpegImage* Image(int32_t index);
  // Picture index keyed for this alpha and bitmap size, or null when it was not (or was for
  // another). Keep replaces what was kept of the picture: one leaf a picture, at most 25.
  std::shared_ptr<const KeyedLeaf> Keyed(int32_t index, int32_t alpha, int32_t width, int32_t height) const;
  void Keep(int32_t index, std::shared_ptr<const KeyedLeaf> leaf);

 private:
  std::array<std::unique_ptr<JpegImage>, kCount> images_;
  std::array<std::shared_ptr<const KeyedLeaf>, kCount> keyed_;
};

struct AlgorithmSpec;

class SaverEngine {
 public:
  // `area` is the screen's place on the draw target, which a restore shows again; `settings`
  // are the run's (the user's), read as they stand at each use.
  SaverEngine(SaverState& state, const Settings& settings, Random& random, LeafImageSet& leaves,
              DesktopRestore show_desktop, const Rect& area);

  void StartCycle();
  void BuildSprite();
  void DrawCell();
  void RestoreAndRestart();
  void Tick();

  // The leaf picture the sprite planes were last built from, and the one the sprite's bitmap
  // was last rebuilt from (they differ between a new sprite and the next first draw); 0 until a leaf
  // has been chosen.
  int32_t PlanesImageIndex() const { return planes_image_; }
  int32_t BitmapImageIndex() const { return bitmap_image_; }

 private:
  void NewSprite();
  void RebuildSpriteBitmap();
  void KeepKeyedLeaf(int32_t alpha, int32_t width, int32_t height);
  void TransposePlanes(std::vector<Argb>& pixels, int32_t width, int32_t height) const;
  void RunBlock(const AlgorithmSpec& spec);
  void SequenceBlock(bool new_sprite, void (SaverEngine::*advance)(), bool rings);
  void RandomFillBlock();
  void EndRows();
  void EndRings();
  void NextGridCell();
  void NextPyramidCell();
  // The two ring walks differ at a ring's end: FromOne moves to the next ring before stepping,
  // so every ring after the first is walked from slot 1; FromZero steps first, so a new ring
  // starts at slot 0 (one leaf per ring chooses its leaf there).
  void NextRingSlotFromOne();
  void NextRingSlotFromZero();
  bool SlotRemoved() const;
  void SkipSlot();

  SaverState& state_;
  const Settings& settings_;
  Random& random_;
  LeafImageSet& leaves_;
  DesktopRestore show_desktop_;
  Rect area_;
  int32_t planes_image_ = 0;
  int32_t bitmap_image_ = 0;
  std::vector<Argb> pixels_;                // reused rebuild buffer
  std::shared_ptr<const KeyedLeaf> keyed_;  // the planes' leaf, when the set keeps it
};

}  // namespace ambervale
