#include "engine/saver_engine.h"

#include <algorithm>
#include <utility>

#include "engine/algorithms.h"
#include "engine/geometry.h"
#include "engine/layout.h"

namespace ambervale {
namespace {

constexpr int32_t kFadeSteps = 5;
constexpr int32_t kLastFadeStep = kFadeSteps - 1;
constexpr int32_t kKeyThreshold = 100;  // a channel above this makes the pixel part of the leaf
constexpr int32_t kMaxSpriteExtent = kSpriteSize - 1;

bool InGrid(int32_t row, int32_t col) { return row >= 0 && row < kGridSize && col >= 0 && col < kGridSize; }

// The part of the sprite surface the planes can hold: the planes keep one spare row and column
// beyond a 100 x 100 surface, so a larger (or empty) surface is cut to what fits. The key pass
// reads three bytes a pixel, so a surface of fewer bits a pixel is also cut to its row length.
struct SpriteExtent {
  int32_t width;
  int32_t height;
};

SpriteExtent ExtentOf(const Dib& dib) {
  if (dib.Empty()) return {0, 0};
  const int32_t width = std::min(dib.Width(), dib.Stride() / 3);
  return {std::clamp(width, 0, kMaxSpriteExtent), std::clamp(dib.Height(), 0, kMaxSpriteExtent)};
}

// Neighbours of algorithm 0, clockwise from the cell above.
struct Offset {
  int32_t row;
  int32_t col;
};
constexpr Offset kNeighbours[] = {{-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}};

}  // namespace

LeafImageSet::LeafImageSet(const PictureSource& source, PictureDepth depth) {
  for (int32_t k = 1; k <= kCount; ++k) images_[k - 1] = std::make_unique<JpegImage>(source(k), depth);
}

JpegImage* LeafImageSet::Image(int32_t index) {
  if (index < 1 || index > kCount) return nullptr;
  return images_[index - 1].get();
}

std::shared_ptr<const KeyedLeaf> LeafImageSet::Keyed(int32_t index, int32_t alpha, int32_t width,
                                                     int32_t height) const {
  if (index < 1 || index > kCount) return nullptr;
  const auto& leaf = keyed_[index - 1];
  if (leaf == nullptr || leaf->alpha != alpha || leaf->width != width || leaf->height != height) return nullptr;
  return leaf;
}

void LeafImageSet::Keep(int32_t index, std::shared_ptr<const KeyedLeaf> leaf) {
  if (index >= 1 && index <= kCount) keyed_[index - 1] = std::move(leaf);
}

SaverEngine::SaverEngine(SaverState& state, const Settings& settings, Random& random, LeafImageSet& leaves,
                         DesktopRestore show_desktop, const Rect& area)
    : state_(state),
      settings_(settings),
      random_(random),
      leaves_(leaves),
      show_desktop_(std::move(show_desktop)),
      area_(area) {}

void SaverEngine::StartCycle() { ambervale::StartCycle(state_, settings_, random_); }

void SaverEngine::BuildSprite() {
  SaverState& s = state_;
  const SpriteExtent extent = ExtentOf(s.sprite.dib);
  const int32_t alpha = 10 * static_cast<int32_t>(settings_.opacity);
  // A picture keyed before for this size and transparency costs a lookup; the planes then keep
  // the leaf keyed last.
  keyed_ = leaves_.Keyed(s.cycle.image_index, alpha, extent.height, extent.width);
  if (keyed_ != nullptr) {
    planes_image_ = s.cycle.image_index;
    return;
  }

  // Every entry the key pass may set is reset, so nothing of the previous leaf survives.
  for (int32_t y = 0; y <= extent.height; ++y) {
    for (int32_t x = 0; x <= extent.width; ++x) {
      s.sprite.red[y][x] = 255;
      s.sprite.green[y][x] = 255;
      s.sprite.blue[y][x] = 255;
      s.sprite.alpha[y][x] = 0;
    }
  }
  planes_image_ = s.cycle.image_index;

  JpegImage* picture = leaves_.Image(s.cycle.image_index);
  if (picture != nullptr) s.sprite.dib.StretchPicture(s.sprite.rect, *picture);

  for (int32_t y = 0; y < extent.height; ++y) {
    const uint8_t* row = s.sprite.dib.RowBytes(y);
    for (int32_t x = 0; x < extent.width; ++x) {
      const int32_t b = row[3 * x];
      const int32_t g = row[3 * x + 1];
      const int32_t r = row[3 * x + 2];
      if (r > kKeyThreshold || g > kKeyThreshold || b > kKeyThreshold) {
        s.sprite.red[y][x] = r;
        s.sprite.green[y][x] = g;
        s.sprite.blue[y][x] = b;
        s.sprite.alpha[y][x] = alpha;
      }
    }
  }
  // Kept only where the picture alone made the planes: it covered the whole 24-bit surface.
  const Rect whole{0, 0, s.sprite.dib.Width(), s.sprite.dib.Height()};
  if (picture != nullptr && s.sprite.dib.Depth() == 24 && s.sprite.rect == whole && extent.width > 0 &&
      extent.height > 0)
    KeepKeyedLeaf(alpha, extent.height, extent.width);
}

void SaverEngine::KeepKeyedLeaf(int32_t alpha, int32_t width, int32_t height) {
  auto leaf = std::make_shared<KeyedLeaf>();
  leaf->alpha = alpha;
  leaf->width = width;
  leaf->height = height;
  leaf->key = NewContentKey();
  TransposePlanes(leaf->pixels, width, height);
  keyed_ = leaf;
  leaves_.Keep(planes_image_, std::move(leaf));
}

// The planes enter the bitmap transposed: plane entry [i][j] becomes pixel (x = i, y = j) of a
// width x height bitmap (width the planes' rows, height their columns).
void SaverEngine::TransposePlanes(std::vector<Argb>& pixels, int32_t width, int32_t height) const {
  const Sprite& sprite = state_.sprite;
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t i = 0; i < width; ++i)
    for (int32_t j = 0; j < height; ++j)
      pixels[static_cast<size_t>(j) * width + i] =
          PackArgb(sprite.alpha[i][j], sprite.red[i][j], sprite.green[i][j], sprite.blue[i][j]);
}

void SaverEngine::RebuildSpriteBitmap() {
  SaverState& s = state_;
  ArgbBitmap* bitmap = s.sprite.bitmap.get();
  if (bitmap == nullptr) return;
  bitmap_image_ = planes_image_;
  const SpriteExtent extent = ExtentOf(s.sprite.dib);
  const int32_t leaf_width = extent.height, leaf_height = extent.width;
  if (keyed_ == nullptr) TransposePlanes(pixels_, leaf_width, leaf_height);
  const std::vector<Argb>& leaf = keyed_ != nullptr ? keyed_->pixels : pixels_;

  if (bitmap->Width() == leaf_width && bitmap->Height() == leaf_height && leaf_width > 0 && leaf_height > 0) {
    // The usual case: the rebuild covers the whole bitmap, so one bulk write replaces it.
    if (keyed_ != nullptr) {
      bitmap->PutKeyedArgbRows(leaf.data(), keyed_->key);
    } else {
      bitmap->PutArgbRows(leaf.data());
    }
    return;
  }
  // A bitmap of another size: pixels beyond the sprite keep what they held.
  for (int32_t i = 0; i < leaf_width; ++i)
    for (int32_t j = 0; j < leaf_height; ++j) bitmap->PutArgb(i, j, leaf[static_cast<size_t>(j) * leaf_width + i]);
}

void SaverEngine::DrawCell() {
  SaverState& s = state_;
  const bool in_grid = InGrid(s.cycle.row, s.cycle.col);
  if (s.cycle.fade_step == 0) {
    if (in_grid) s.cycle.filled[s.cycle.row][s.cycle.col] = 1;
    RebuildSpriteBitmap();
  }
  if (!in_grid || s.target == nullptr || s.sprite.bitmap == nullptr) return;
  s.target->DrawScaled(s.sprite.bitmap.get(), s.cycle.x[s.cycle.row][s.cycle.col], s.cycle.y[s.cycle.row][s.cycle.col],
                       s.grid.cell_width, s.grid.cell_height);
}

void SaverEngine::RestoreAndRestart() {
  state_.cycle.fade_step = 0;
  StartCycle();
  show_desktop_(area_);
}

void SaverEngine::NewSprite() {
  state_.cycle.image_index = random_.Next(LeafImageSet::kCount) + 1;
  BuildSprite();
}

// --- advances and end tests ---------------------------------------------------------------

void SaverEngine::NextGridCell() {
  SaverState& s = state_;
  ++s.cycle.col;
  if (s.cycle.col >= s.grid.cols) {
    s.cycle.col = 0;
    ++s.cycle.row;
  }
}

void SaverEngine::NextPyramidCell() {
  SaverState& s = state_;
  ++s.cycle.col;
  if (s.cycle.col >= s.cycle.row + 1) {
    s.cycle.col = 0;
    ++s.cycle.row;
  }
}

void SaverEngine::NextRingSlotFromOne() {
  SaverState& s = state_;
  if (s.cycle.col >= 6 * s.cycle.row) {
    s.cycle.col = 0;
    ++s.cycle.row;
  }
  ++s.cycle.col;
}

void SaverEngine::NextRingSlotFromZero() {
  SaverState& s = state_;
  ++s.cycle.col;
  if (s.cycle.col >= 6 * s.cycle.row) {
    s.cycle.col = 0;
    ++s.cycle.row;
  }
}

void SaverEngine::EndRows() {
  if (state_.cycle.row > state_.grid.rows) RestoreAndRestart();
}

// Rings stop at LastRing, so every slot index stays inside a table row.
void SaverEngine::EndRings() {
  if (state_.cycle.row > LastRing(state_)) RestoreAndRestart();
}

bool SaverEngine::SlotRemoved() const {
  const SaverState& s = state_;
  return !InGrid(s.cycle.row, s.cycle.col) || s.cycle.x[s.cycle.row][s.cycle.col] == 0;
}

// A removed slot costs one tick: the tick's own advance of the fade step gives the step back.
void SaverEngine::SkipSlot() {
  --state_.cycle.fade_step;
  NextRingSlotFromOne();
  EndRings();
}

// --- the tick -----------------------------------------------------------------------------

void SaverEngine::RandomFillBlock() {
  SaverState& s = state_;
  if (s.cycle.fade_step != 0) {
    DrawCell();
    return;
  }
  NewSprite();
  const int32_t cols = std::clamp(s.grid.cols, 0, kMaxGrid);
  const int32_t rows = std::clamp(s.grid.rows, 0, kMaxGrid);
  s.cycle.col = random_.Next(cols);
  s.cycle.row = random_.Next(rows);
  if (s.cycle.filled[s.cycle.row][s.cycle.col] != 0) {
    bool found = false;
    const bool inner = s.cycle.col > 0 && s.cycle.col < cols && s.cycle.row > 0 && s.cycle.row < rows;
    if (inner) {
      for (const Offset& n : kNeighbours) {
        if (s.cycle.filled[s.cycle.row + n.row][s.cycle.col + n.col] == 0) {
          s.cycle.row += n.row;
          s.cycle.col += n.col;
          found = true;
          break;
        }
      }
    }
    for (int32_t row = 0; row <= rows && !found; ++row) {
      for (int32_t col = 0; col <= cols; ++col) {
        if (s.cycle.filled[row][col] == 0) {
          s.cycle.row = row;
          s.cycle.col = col;
          found = true;
          break;
        }
      }
    }
    if (!found) RestoreAndRestart();
  }
  DrawCell();
}

// Blocks 1 to 12: new-sprite test, DrawCell, the advance after the fifth draw, the end test.
void SaverEngine::SequenceBlock(bool new_sprite, void (SaverEngine::*advance)(), bool rings) {
  if (new_sprite) NewSprite();
  DrawCell();
  if (state_.cycle.fade_step == kLastFadeStep) (this->*advance)();
  if (rings) {
    EndRings();
  } else {
    EndRows();
  }
}

void SaverEngine::RunBlock(const AlgorithmSpec& spec) {
  const CycleState& c = state_.cycle;
  const bool first_draw = c.fade_step == 0;
  if (spec.walk == Walk::kRandomFill) return RandomFillBlock();
  if (spec.leaf == LeafChoice::kAfterEveryCell) {
    DrawCell();
    if (first_draw) NewSprite();
    if (c.fade_step == kLastFadeStep) NextRingSlotFromOne();
    return EndRings();
  }
  if (spec.leaf == LeafChoice::kEveryRingAtOne && first_draw && c.col == 1) NewSprite();
  if (spec.thinned && SlotRemoved()) return SkipSlot();
  const bool new_sprite =
      first_draw && (spec.leaf == LeafChoice::kEveryCell || (spec.leaf == LeafChoice::kEveryLine && c.col == 0));
  switch (spec.walk) {
    case Walk::kRows: return SequenceBlock(new_sprite, &SaverEngine::NextGridCell, false);
    case Walk::kPyramidRows: return SequenceBlock(new_sprite, &SaverEngine::NextPyramidCell, false);
    case Walk::kRingsFromOne: return SequenceBlock(new_sprite, &SaverEngine::NextRingSlotFromOne, true);
    case Walk::kRingsFromZero: return SequenceBlock(new_sprite, &SaverEngine::NextRingSlotFromZero, true);
    case Walk::kRandomFill: break;
  }
}

void SaverEngine::Tick() {
  SaverState& s = state_;
  // The cycle's algorithm is read afresh before each block: a cycle that ends in one block may
  // pick a higher number, whose block then starts the new cycle in this same tick.
  for (int32_t block = 0; block < kAlgorithmCount; ++block)
    if (s.cycle.algorithm == block) RunBlock(kAlgorithms[block]);
  ++s.cycle.fade_step;
  if (s.cycle.fade_step >= kFadeSteps) s.cycle.fade_step = 0;
}

}  // namespace ambervale
