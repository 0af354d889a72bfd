// SaverState: the one record of engine state, shared by the saver window and the settings
// dialog. One instance lives for the whole run; every engine operation works on it directly.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "surfaces/dib.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

inline constexpr int32_t kGridSize = 201;    // entries per grid-table row (indexes 0..200)
inline constexpr int32_t kSpriteSize = 101;  // entries per sprite-plane row (indexes 0..100)
inline constexpr int32_t kMaxGrid = kGridSize - 1;
inline constexpr int32_t kMaxRing = 33;      // ring 33 has 199 slots; ring 34 would need 205

using GridTable = std::array<std::array<int32_t, kGridSize>, kGridSize>;      // [row][col]
using SpritePlane = std::array<std::array<int32_t, kSpriteSize>, kSpriteSize>;  // [y][x]

// A plane of the desktop capture, sized to the screen (entry [y][x] for pixel (x, y)).
class CapturePlane {
 public:
  void Resize(int32_t width, int32_t height) {
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    values_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t& At(int32_t y, int32_t x) { return values_[static_cast<size_t>(y) * width_ + x]; }
  int32_t At(int32_t y, int32_t x) const { return values_[static_cast<size_t>(y) * width_ + x]; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<int32_t> values_;
};

struct SaverState {
  // Surfaces are created empty; start-up gives them their depth and size.
  TDIB SpriteDib;
  TDIB ScreenDib;

  int32_t CellWidth = 0;
  int32_t CellHeight = 0;
  int32_t FadeStep = 0;
  int32_t CurCol = 0;
  int32_t CurRow = 0;
  int32_t GridCols = 0;
  int32_t GridRows = 0;
  int32_t ImageIndex = 0;
  int32_t SurfaceWidth = 0;
  int32_t SurfaceHeight = 0;

  bool CloseAllowed = false;
  bool Key_Exit = false;
  bool Rands_Algorithm = false;
  bool ConfigMode = false;

  // Settings, as bytes: the store keeps the low 8 bits of what it reads.
  uint8_t Algorithm = 0;
  uint8_t Size = 0;
  uint8_t Transparent = 0;
  uint8_t Fast = 0;
  uint8_t Color_s = 0;

  uintptr_t TargetDC = 0;  // the platform's device context handle, or 0
  std::unique_ptr<ArgbBitmap> SpriteBitmap;
  std::unique_ptr<ArgbBitmap> CaptureBitmap;
  std::unique_ptr<DrawTarget> TargetGraphics;
  Rect SpriteRect;
  char RunMode = 0;
  Point LastCursor;
  Point CurCursor;

  GridTable FillGrid{};
  GridTable PosX{};
  GridTable PosY{};
  SpritePlane SpriteR{};
  SpritePlane SpriteG{};
  SpritePlane SpriteB{};
  SpritePlane SpriteA{};
  CapturePlane CaptureR;
  CapturePlane CaptureG;
  CapturePlane CaptureB;
};

}  // namespace ambervale
