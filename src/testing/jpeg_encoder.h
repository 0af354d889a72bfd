// Encodes a picture as a baseline JPEG file in memory: the tests and benchmarks make their
// JPEG data with it instead of depending on files. (The leaf generator has its own encoder,
// whose settings the shipped pictures depend on.)
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ambervale {

// `rgb` holds width x height pixels, top row first, red, green, blue per pixel. Returns the
// JPEG bytes (YCbCr, chroma halved both ways), or nothing when the size or buffer is wrong.
std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, std::span<const uint8_t> rgb, int quality = 95);

}  // namespace ambervale
