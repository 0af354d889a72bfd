#include "engine/saver_engine.h"

#include <algorithm>

#include "engine/geometry.h"
#include "engine/layout.h"

namespace ambervale {
namespace {

constexpr int32_t kFadeSteps = 5;
constexpr int32_t kLastFadeStep = kFadeSteps - 1;
constexpr int32_t kKeyThreshold = 100;  // a channel above this makes the pixel part of the leaf
constexpr int32_t kMaxSpriteExtent = kSpriteSize - 1;
constexpr int32_t kLastAlgorithm = 12;

bool InGrid(int32_t row, int32_t col) { return row >= 0 && row < kGridSize && col >= 0 && col < kGridSize; }

// The part of the sprite surface the planes can hold: the planes keep one spare row and column
// beyond a 100 x 100 surface, so a larger (or empty) surface is cut to what fits. The key pass
// reads three bytes a pixel, so a surface of fewer bits a pixel is also cut to its row length.
struct SpriteExtent {
  int32_t width;
  int32_t height;
};

SpriteExtent ExtentOf(const TDIB& dib) {
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
  for (int32_t k = 1; k <= kCount; ++k) images_[k - 1] = std::make_unique<TJPEGImage>(source(k), depth);
}

TJPEGImage* LeafImageSet::Image(int32_t index) {
  if (index < 1 || index > kCount) return nullptr;
  return images_[index - 1].get();
}

SaverEngine::SaverEngine(SaverState& state, Random& random, LeafImageSet& leaves, SaverHost& host)
    : state_(state), random_(random), leaves_(leaves), host_(host) {}

void SaverEngine::UpAlgorithm() { ambervale::UpAlgorithm(state_, random_); }

void SaverEngine::Snowflake() {
  SaverState& s = state_;
  const SpriteExtent extent = ExtentOf(s.SpriteDib);

  // Every entry the key pass may set is reset, so nothing of the previous leaf survives.
  for (int32_t y = 0; y <= extent.height; ++y) {
    for (int32_t x = 0; x <= extent.width; ++x) {
      s.SpriteR[y][x] = 255;
      s.SpriteG[y][x] = 255;
      s.SpriteB[y][x] = 255;
      s.SpriteA[y][x] = 0;
    }
  }
  planes_image_ = s.ImageIndex;

  if (TJPEGImage* picture = leaves_.Image(s.ImageIndex)) s.SpriteDib.StretchPicture(s.SpriteRect, *picture);

  const int32_t alpha = 10 * static_cast<int32_t>(s.Transparent);
  for (int32_t y = 0; y < extent.height; ++y) {
    const uint8_t* row = s.SpriteDib.RowBytes(y);
    for (int32_t x = 0; x < extent.width; ++x) {
      const int32_t b = row[3 * x];
      const int32_t g = row[3 * x + 1];
      const int32_t r = row[3 * x + 2];
      if (r > kKeyThreshold || g > kKeyThreshold || b > kKeyThreshold) {
        s.SpriteR[y][x] = r;
        s.SpriteG[y][x] = g;
        s.SpriteB[y][x] = b;
        s.SpriteA[y][x] = alpha;
      }
    }
  }
}

// The planes enter the bitmap transposed: plane entry [i][j] becomes pixel (x = i, y = j).
void SaverEngine::RebuildSpriteBitmap() {
  SaverState& s = state_;
  ArgbBitmap* bitmap = s.SpriteBitmap.get();
  if (bitmap == nullptr) return;
  bitmap_image_ = planes_image_;
  const SpriteExtent extent = ExtentOf(s.SpriteDib);
  const int32_t width = bitmap->Width();
  const int32_t height = bitmap->Height();

  if (width == extent.height && height == extent.width && width > 0 && height > 0) {
    // The usual case: the rebuild covers the whole bitmap, so one bulk write replaces it.
    pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t i = 0; i < extent.height; ++i)
      for (int32_t j = 0; j < extent.width; ++j)
        pixels_[static_cast<size_t>(j) * width + i] = PackArgb(s.SpriteA[i][j], s.SpriteR[i][j], s.SpriteG[i][j], s.SpriteB[i][j]);
    bitmap->PutArgbRows(pixels_.data());
    return;
  }
  // A bitmap of another size: pixels beyond the sprite keep what they held.
  for (int32_t i = 0; i < extent.height; ++i)
    for (int32_t j = 0; j < extent.width; ++j)
      bitmap->PutArgb(i, j, PackArgb(s.SpriteA[i][j], s.SpriteR[i][j], s.SpriteG[i][j], s.SpriteB[i][j]));
}

void SaverEngine::Draw() {
  SaverState& s = state_;
  const bool in_grid = InGrid(s.CurRow, s.CurCol);
  if (s.FadeStep == 0) {
    if (in_grid) s.FillGrid[s.CurRow][s.CurCol] = 1;
    RebuildSpriteBitmap();
  }
  if (!in_grid || s.TargetGraphics == nullptr || s.SpriteBitmap == nullptr) return;
  s.TargetGraphics->DrawScaled(s.SpriteBitmap.get(), s.PosX[s.CurRow][s.CurCol], s.PosY[s.CurRow][s.CurCol], s.CellWidth,
                               s.CellHeight);
}

void SaverEngine::UpScreen() {
  SaverState& s = state_;
  s.FadeStep = 0;
  UpAlgorithm();
  host_.SetTimerEnabled(false);
  try {
    if (s.RunMode == 'P') {
      if (s.TargetGraphics != nullptr && s.CaptureBitmap != nullptr)
        s.TargetGraphics->DrawScaled(s.CaptureBitmap.get(), 0, 0, s.SurfaceWidth, s.SurfaceHeight);
    } else {
      host_.RepaintDesktop();
    }
  } catch (...) {
    // A failed restore must not leave the saver frozen with its timer off.
    host_.SetTimerEnabled(true);
    throw;
  }
  host_.SetTimerEnabled(true);
}

void SaverEngine::NewSprite() {
  state_.ImageIndex = random_.Next(LeafImageSet::kCount) + 1;
  Snowflake();
}

// --- advances and end tests ---------------------------------------------------------------

void SaverEngine::RowAdvance() {
  SaverState& s = state_;
  ++s.CurCol;
  if (s.CurCol >= s.GridCols) {
    s.CurCol = 0;
    ++s.CurRow;
  }
}

void SaverEngine::PyramidAdvance() {
  SaverState& s = state_;
  ++s.CurCol;
  if (s.CurCol >= s.CurRow + 1) {
    s.CurCol = 0;
    ++s.CurRow;
  }
}

void SaverEngine::RingAdvanceA() {
  SaverState& s = state_;
  if (s.CurCol >= 6 * s.CurRow) {
    s.CurCol = 0;
    ++s.CurRow;
  }
  ++s.CurCol;
}

void SaverEngine::RingAdvanceB() {
  SaverState& s = state_;
  ++s.CurCol;
  if (s.CurCol >= 6 * s.CurRow) {
    s.CurCol = 0;
    ++s.CurRow;
  }
}

void SaverEngine::EndRows() {
  if (state_.CurRow > state_.GridRows) UpScreen();
}

// Rings stop at LastRing, so every slot index stays inside a table row.
void SaverEngine::EndRings() {
  if (state_.CurRow > LastRing(state_)) UpScreen();
}

bool SaverEngine::SlotRemoved() const {
  const SaverState& s = state_;
  return !InGrid(s.CurRow, s.CurCol) || s.PosX[s.CurRow][s.CurCol] == 0;
}

// A removed slot costs one tick: the tick's own FadeStep advance gives the step back.
void SaverEngine::SkipSlot() {
  --state_.FadeStep;
  RingAdvanceA();
  EndRings();
}

// --- the tick -----------------------------------------------------------------------------

void SaverEngine::RandomFillBlock() {
  SaverState& s = state_;
  if (s.FadeStep != 0) {
    Draw();
    return;
  }
  NewSprite();
  const int32_t cols = std::clamp(s.GridCols, 0, kMaxGrid);
  const int32_t rows = std::clamp(s.GridRows, 0, kMaxGrid);
  s.CurCol = random_.Next(cols);
  s.CurRow = random_.Next(rows);
  if (s.FillGrid[s.CurRow][s.CurCol] != 0) {
    bool found = false;
    const bool inner = s.CurCol > 0 && s.CurCol < cols && s.CurRow > 0 && s.CurRow < rows;
    if (inner) {
      for (const Offset& n : kNeighbours) {
        if (s.FillGrid[s.CurRow + n.row][s.CurCol + n.col] == 0) {
          s.CurRow += n.row;
          s.CurCol += n.col;
          found = true;
          break;
        }
      }
    }
    for (int32_t row = 0; row <= rows && !found; ++row) {
      for (int32_t col = 0; col <= cols; ++col) {
        if (s.FillGrid[row][col] == 0) {
          s.CurRow = row;
          s.CurCol = col;
          found = true;
          break;
        }
      }
    }
    if (!found) UpScreen();
  }
  Draw();
}

// Blocks 1 to 12: new-sprite test, Draw, the advance after the fifth draw, the end test.
void SaverEngine::SequenceBlock(bool new_sprite, void (SaverEngine::*advance)(), bool rings) {
  if (new_sprite) NewSprite();
  Draw();
  if (state_.FadeStep == kLastFadeStep) (this->*advance)();
  if (rings) {
    EndRings();
  } else {
    EndRows();
  }
}

void SaverEngine::RunBlock(int32_t algorithm) {
  SaverState& s = state_;
  const bool first_draw = s.FadeStep == 0;
  switch (algorithm) {
    case 0:
      RandomFillBlock();
      break;
    case 1:
    case 8:
    case 9:
    case 10:
      SequenceBlock(first_draw, &SaverEngine::RowAdvance, false);
      break;
    case 7:  // one image per row
      SequenceBlock(first_draw && s.CurCol == 0, &SaverEngine::RowAdvance, false);
      break;
    case 2:  // one image per row of the pyramid
      SequenceBlock(first_draw && s.CurCol == 0, &SaverEngine::PyramidAdvance, false);
      break;
    case 3:
    case 4:
      SequenceBlock(first_draw, &SaverEngine::RingAdvanceA, true);
      break;
    case 5:  // one image per ring
      SequenceBlock(first_draw && s.CurCol == 0, &SaverEngine::RingAdvanceB, true);
      break;
    case 6:  // the sprite is built after the draw, so each cell shows the previous cell's pick
      Draw();
      if (first_draw) NewSprite();
      if (s.FadeStep == kLastFadeStep) RingAdvanceA();
      EndRings();
      break;
    case 11:
      if (SlotRemoved()) {
        SkipSlot();
      } else {
        SequenceBlock(first_draw, &SaverEngine::RingAdvanceA, true);
      }
      break;
    case 12:  // one image per ring, chosen at slot 1 even when that slot is removed
      if (first_draw && s.CurCol == 1) NewSprite();
      if (SlotRemoved()) {
        SkipSlot();
      } else {
        SequenceBlock(false, &SaverEngine::RingAdvanceA, true);
      }
      break;
    default:
      break;
  }
}

void SaverEngine::Timer1Timer() {
  SaverState& s = state_;
  host_.RunExitChecks();
  // Algorithm is read afresh before each block: a cycle that ends in one block may pick a
  // higher number, whose block then starts the new cycle in this same tick.
  for (int32_t block = 0; block <= kLastAlgorithm; ++block)
    if (s.Algorithm == block) RunBlock(block);
  ++s.FadeStep;
  if (s.FadeStep >= kFadeSteps) s.FadeStep = 0;
}

}  // namespace ambervale
