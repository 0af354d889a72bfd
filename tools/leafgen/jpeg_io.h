// JPEG encoding of the leaf pictures, and decoding for the contact sheet.
#pragma once

#include <cstdint>
#include <vector>

namespace leafgen {

// The quality the pictures are committed at: high enough that colour bleeding at a red edge on
// black stays far from the key threshold.
constexpr int kPictureQuality = 95;

// Baseline JFIF, 8-bit YCbCr with both chroma components at half resolution both ways,
// integer DCT (the same bytes on every machine), Huffman tables optimised for the picture.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality);

// Full size RGB, floating-point IDCT and block smoothing, as the saver decodes its leaves.
// Returns false for data the decoder rejects.
bool DecodeJpeg(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& rgb, int& width, int& height);

}  // namespace leafgen
