// A row of leaf colours blended over a row of pixels, each pixel as BlendPixel gives it, byte
// for byte, eight or sixteen at a time in vector registers where the processor has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "surfaces/colors.h"

namespace ambervale {

using BlendRowFunction = void (*)(const Argb* colours, uint32_t* row, size_t count);

struct BlendRowPath {
  const char* name;
  BlendRowFunction blend;
};

// Every way this build can blend a row that this processor runs, the plain loop first and the
// fastest last (x86-64: SSE2, then AVX2 where the processor and the system have it; arm64: NEON).
std::span<const BlendRowPath> BlendRowPaths();

// The fastest of them, chosen at the first call.
void BlendRow(const Argb* colours, uint32_t* row, size_t count);

}  // namespace ambervale
