// The thirteen algorithms, one row each: how a cycle lays its cells out, in which order it
// visits them, and when it picks a new leaf. The layout and the tick both read this table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ambervale {

enum class Layout {
  kJitteredGrid,  // the regular grid, each cell moved by up to a quarter cell each way
  kGrid,          // the regular grid
  kColumnWave,    // the grid, each column lowered by a sine of its index
  kRowWave,       // the grid, each row a sine wave across the surface
  kPyramid,       // one cell on the top row, one more on every row below
  kRings,         // rings of 6 x ring slots around the centre
  kSpiral,        // the rings, each winding out by one cell as it goes round
};

enum class Walk {
  kRandomFill,     // a random empty cell each time, until every cell is filled
  kRows,           // row by row, left to right
  kPyramidRows,    // the pyramid's rows, left to right
  kRingsFromOne,   // ring by ring; a new ring is entered at slot 1
  kRingsFromZero,  // ring by ring; a new ring is entered at slot 0
};

enum class LeafChoice {
  kEveryCell,       // a new leaf for every cell
  kEveryLine,       // a new leaf at the start of every row or ring (its cell 0)
  kEveryRingAtOne,  // a new leaf at slot 1 of every ring, even when that slot is thinned out
  kAfterEveryCell,  // the new leaf is built after the cell's first draw, so each cell shows
                    // the leaf chosen at the cell before
};

struct AlgorithmSpec {
  std::string_view name;
  Layout layout;
  Walk walk;
  LeafChoice leaf;
  bool thinned;  // the ring mask removes some slots
};

inline constexpr int32_t kAlgorithmCount = 13;

inline constexpr std::array<AlgorithmSpec, kAlgorithmCount> kAlgorithms{{
    {"Jittered grid, filled at random", Layout::kJitteredGrid, Walk::kRandomFill, LeafChoice::kEveryCell, false},
    {"Plain grid", Layout::kGrid, Walk::kRows, LeafChoice::kEveryCell, false},
    {"Pyramid", Layout::kPyramid, Walk::kPyramidRows, LeafChoice::kEveryLine, false},
    {"Rings", Layout::kRings, Walk::kRingsFromOne, LeafChoice::kEveryCell, false},
    {"Spiral", Layout::kSpiral, Walk::kRingsFromOne, LeafChoice::kEveryCell, false},
    {"Rings, one leaf per ring", Layout::kRings, Walk::kRingsFromZero, LeafChoice::kEveryLine, false},
    {"Spiral, leaves lagging a cell", Layout::kSpiral, Walk::kRingsFromOne, LeafChoice::kAfterEveryCell, false},
    {"Plain grid, one leaf per row", Layout::kGrid, Walk::kRows, LeafChoice::kEveryLine, false},
    {"Plain grid (8)", Layout::kGrid, Walk::kRows, LeafChoice::kEveryCell, false},
    {"Column wave", Layout::kColumnWave, Walk::kRows, LeafChoice::kEveryCell, false},
    {"Row wave", Layout::kRowWave, Walk::kRows, LeafChoice::kEveryCell, false},
    {"Rings, thinned", Layout::kRings, Walk::kRingsFromOne, LeafChoice::kEveryCell, true},
    {"Rings, thinned, one leaf per ring", Layout::kRings, Walk::kRingsFromOne, LeafChoice::kEveryRingAtOne, true},
}};

// The algorithm a stored byte names, or null: an edited store may hold any byte, and such a
// cycle lays nothing out and draws nothing.
constexpr const AlgorithmSpec* AlgorithmOf(uint8_t algorithm) {
  return algorithm < kAlgorithmCount ? &kAlgorithms[algorithm] : nullptr;
}

constexpr bool IsRingLayout(Layout layout) { return layout == Layout::kRings || layout == Layout::kSpiral; }

}  // namespace ambervale
