// Paints a leaf design into a small RGB picture on black, with its coverage mask.
#pragma once

#include <cstdint>
#include <vector>

#include "leaf_model.h"

namespace leafgen {

struct RenderedPicture {
  int size = 0;
  std::vector<uint8_t> rgb;     // size x size pixels, red, green, blue, top row first
  std::vector<uint8_t> mask;    // 1 where at least half the pixel is leaf, else 0
  std::vector<float> coverage;  // the share of each pixel that is leaf, 0..1
};

// Outlines, stalks and veins are rasterised `supersample` times larger (cairo), shaded per
// sample and averaged down, so edges are antialiased like a photograph's.
RenderedPicture RenderPicture(const LeafDesign& design, const Pose& pose, int size = 100, int supersample = 4);

// Smooth value noise in 0..1 from a fixed integer hash: the same inputs give the same
// value on every machine.
double ValueNoise(double x, double y, uint32_t seed);
double FractalNoise(double x, double y, uint32_t seed, int octaves);
// Round spots scattered over a jittered grid of `cell`-sized squares, each square holding
// one with probability `chance`: up to 1 at a spot's centre, 0 away from every spot.
double Flecks(double x, double y, double cell, double chance, uint32_t seed);

}  // namespace leafgen
