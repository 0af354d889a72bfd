// The program's icon: one leaf drawn at each icon size, on a see-through background, in the
// .ico container (PNG images, as Windows reads them since Vista).
#pragma once

#include <cstdint>
#include <vector>

#include "leaf_render.h"

namespace leafgen {

inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A leaf picture as a PNG whose alpha is the leaf's coverage; empty when cairo fails.
std::vector<uint8_t> EncodeTransparentPng(const RenderedPicture& picture);

// The .ico file of PNG images, each `sizes[i]` pixels square.
std::vector<uint8_t> IconFile(const std::vector<int>& sizes, const std::vector<std::vector<uint8_t>>& pngs);

}  // namespace leafgen
