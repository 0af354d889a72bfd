// Test doubles for the engine: a host that records the restores the tick asks for, a bitmap
// that counts bulk writes, small JPEG pictures of known colours, and a ready-made engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/layout.h"
#include "engine/saver_engine.h"
#include "engine/saver_state.h"
#include "testing/jpeg_encoder.h"
#include "testing/test_surfaces.h"

namespace ambervale::testing {

// Records the restores the engines ask of their run.
class FakeHost {
 public:
  DesktopRestore Restore() {
    return [this](const Rect& area) { ShowDesktop(area); };
  }
  void ShowDesktop(const Rect& area) {
    ++repaints;
    events.push_back("repaint");
    shown.push_back(area);
    if (on_repaint) on_repaint();
  }

  int repaints = 0;
  std::vector<std::string> events;
  std::vector<Rect> shown;  // the areas restored
  std::function<void()> on_repaint;
};

// A cycle of the state's own algorithm (cycle.algorithm), or with `pick` a random one's.
inline void StartOwnCycle(SaverState& state, Random& random, bool pick = false) {
  Settings settings;
  settings.algorithm = state.cycle.algorithm;
  settings.random_algorithm = pick;
  StartCycle(state, settings, random);
}

// A memory bitmap that also counts the bulk writes it receives.
class CountingBitmap : public MemoryBitmap {
 public:
  using MemoryBitmap::MemoryBitmap;
  void PutArgbRows(const Argb* pixels) override {
    ++bulk_writes;
    MemoryBitmap::PutArgbRows(pixels);
  }
  int bulk_writes = 0;
};

// Leaf k (1..25) of the test set: a square of red 100 + 6k (green 32, blue 16) on black, so the leaf keys in and
// its red tells the picture apart. The square covers x 20..79 and y 10..89.
inline uint32_t TestLeafPixel(int k, int x, int y) {
  const bool leaf = x >= 20 && x < 80 && y >= 10 && y < 90;
  return leaf ? (static_cast<uint32_t>(100 + 6 * k) << 16) | 0x2010 : 0;
}

inline const std::vector<std::vector<uint8_t>>& TestLeafPictures() {
  static const std::vector<std::vector<uint8_t>> pictures = [] {
    std::vector<std::vector<uint8_t>> all;
    for (int k = 1; k <= LeafImageSet::kCount; ++k) {
      std::vector<uint8_t> rgb;
      for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
          const uint32_t pixel = TestLeafPixel(k, x, y);
          rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
        }
      }
      all.push_back(EncodeJpeg(100, 100, rgb, 100));
    }
    return all;
  }();
  return pictures;
}

inline std::span<const uint8_t> TestLeafBytes(int32_t index) {
  const auto& all = TestLeafPictures();
  if (index < 1 || index > static_cast<int32_t>(all.size())) return {};
  return all[static_cast<size_t>(index - 1)];
}

// A full-screen engine as start-up leaves it: 100 x 100 sprite surface, 100 x 100 sprite
// bitmap, a recording target, geometry of a width x height screen at the given Size.
struct EngineRig {
  explicit EngineRig(int32_t width = 1024, int32_t height = 768, uint8_t size = 12, uint32_t seed = 1,
                     int32_t sprite = 100, const LeafImageSet::PictureSource& source = &TestLeafBytes)
      : state(std::make_unique<SaverState>()), random(seed), leaves(source) {
    settings.size = size;
    settings.opacity = 8;
    state->sprite.dib.SetDepth(24);
    state->sprite.dib.SetDibWidth(sprite);
    state->sprite.dib.SetDibHeight(sprite);
    state->sprite.rect = Rect{0, 0, sprite, sprite};
    auto bitmap_owned = std::make_unique<CountingBitmap>(sprite, sprite);
    bitmap = bitmap_owned.get();
    state->sprite.bitmap = std::move(bitmap_owned);
    auto target_owned = std::make_unique<RecordingTarget>();
    target = target_owned.get();
    state->target = std::move(target_owned);
    engine = std::make_unique<SaverEngine>(*state, settings, random, leaves, host.Restore(), Rect{0, 0, width, height});
    SetGeometry(width, height);
  }

  void SetGeometry(int32_t width, int32_t height) { ApplyFullScreenGeometry(*state, settings.size, width, height); }

  // Start-up's engine steps: the first layout and the first (transparent) sprite.
  void Start() {
    engine->StartCycle();
    engine->BuildSprite();
  }

  // Ticks until the tick has restarted the cycle `cycles` times (bounded); returns the ticks.
  int TicksUntilCycles(int cycles, int limit = 100000) {
    const int start = host.repaints;
    int ticks = 0;
    while (host.repaints - start < cycles && ticks < limit) {
      engine->Tick();
      ++ticks;
    }
    return ticks;
  }

  Settings settings;  // the run's, which the engine reads
  std::unique_ptr<SaverState> state;
  Random random;
  LeafImageSet leaves;
  FakeHost host;
  CountingBitmap* bitmap = nullptr;
  RecordingTarget* target = nullptr;
  std::unique_ptr<SaverEngine> engine;
};

}  // namespace ambervale::testing
