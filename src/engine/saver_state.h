// The drawing state of one saver screen, split by meaning: the grid laid over the surface, the
// cycle's layout and position, the sprite, and what it draws through. A run holds one per
// screen (monitor, output, preview); the user's settings and the run-wide flags are the run's
// (SaverRun).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "surfaces/dib.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

inline constexpr int32_t kGridSize = 201;    // entries per grid-table row (indexes 0..200)
inline constexpr int32_t kSpriteSize = 101;  // entries per sprite-plane row (indexes 0..100)
inline constexpr int32_t kMaxGrid = kGridSize - 1;
inline constexpr int32_t kMaxRing = 33;  // ring 33 has 199 slots; ring 34 would need 205

using GridTable = std::array<std::array<int32_t, kGridSize>, kGridSize>;        // [row][col]
using SpritePlane = std::array<std::array<int32_t, kSpriteSize>, kSpriteSize>;  // [y][x]

// The grid over the drawing surface: its size, the columns and rows, and the cell size.
struct GridGeometry {
  int32_t surface_width = 0;
  int32_t surface_height = 0;
  int32_t cols = 0;
  int32_t rows = 0;
  int32_t cell_width = 0;
  int32_t cell_height = 0;
};

// Where the cycle stands: its layout (the user's Algorithm, or with Random on the cycle's own
// pick), the cell being faded in and its fade step, the leaf it shows, which cells are filled
// (random fill), and the layout's position of every cell ([row][col] for the grids and the
// pyramid, [ring][slot] for the rings).
struct CycleState {
  uint8_t algorithm = 0;
  int32_t fade_step = 0;
  int32_t row = 0;
  int32_t col = 0;
  int32_t image_index = 0;  // 1..25 once a leaf was chosen
  GridTable filled{};
  GridTable x{};
  GridTable y{};
};

// The leaf being drawn: the picture stretched onto a 24-bit surface, the planes keyed from it
// (leaf pixels opaque to the setting's degree, the rest transparent), and the bitmap the draws
// take.
struct Sprite {
  Dib dib;
  Rect rect;
  SpritePlane red{};
  SpritePlane green{};
  SpritePlane blue{};
  SpritePlane alpha{};
  std::unique_ptr<ArgbBitmap> bitmap;
};

struct SaverState {
  GridGeometry grid;
  CycleState cycle;
  Sprite sprite;

  // What the leaves are drawn through, and the picture a preview's restore shows.
  std::unique_ptr<DrawTarget> target;
  std::unique_ptr<ArgbBitmap> desktop_picture;
};

}  // namespace ambervale
