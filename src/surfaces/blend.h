// The one source-over rule and nearest-centre resampling that every in-memory drawing
// target shares, so a leaf fades in the same way wherever it is blended.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "surfaces/colors.h"
#include "surfaces/types.h"

namespace ambervale {

// src x a + dst x (1 - a), rounded to nearest.
inline uint8_t BlendChannel(uint8_t src, uint8_t dst, uint32_t alpha) {
  return static_cast<uint8_t>((src * alpha + dst * (255 - alpha) + 127) / 255);
}

// A whole 0x00RRGGBB pixel under an ARGB colour, each channel as BlendChannel gives it, byte
// for byte, and the pixel's top byte kept where the colour is transparent (alpha 0 changes
// nothing). No branch and no division (v / 255 is (v + 1 + (v >> 8)) >> 8 for every v up to
// 255 x 255 + 127), and every step fits 16 bits, so that the compiler runs a row of them in
// vector registers, eight channels to a 128-bit one.
inline uint32_t BlendPixelChannel(Argb colour, uint32_t pixel, uint16_t alpha, uint32_t shift) {
  const auto v =
      static_cast<uint16_t>(static_cast<uint16_t>((colour >> shift) & 0xFF) * alpha +
                            static_cast<uint16_t>((pixel >> shift) & 0xFF) * static_cast<uint16_t>(255 - alpha) + 127);
  return static_cast<uint32_t>(static_cast<uint16_t>(v + 1 + (v >> 8)) >> 8) << shift;
}

inline uint32_t BlendPixel(Argb colour, uint32_t pixel) {
  const auto alpha = static_cast<uint16_t>(colour >> 24);
  const uint32_t transparent = 0u - static_cast<uint32_t>(alpha == 0);
  return BlendPixelChannel(colour, pixel, alpha, 16) | BlendPixelChannel(colour, pixel, alpha, 8) |
         BlendPixelChannel(colour, pixel, alpha, 0) | (pixel & 0xFF000000u & transparent);
}

// Source index for destination offset d of n, sampling at pixel centres.
inline int32_t SourceIndex(int64_t d, int64_t n, int32_t source_size) {
  return static_cast<int32_t>(((2 * d + 1) * source_size) / (2 * n));
}

// The part of (x, y, width, height) that lies on a width_limit x height_limit picture, as
// offsets into the rectangle; empty when nothing of it does. 64-bit sums keep far-off
// rectangles from overflowing.
struct ClippedSpan {
  int64_t first_col = 0, end_col = 0, first_row = 0, end_row = 0;
  bool Empty() const { return first_col >= end_col || first_row >= end_row; }
};

inline ClippedSpan ClipToPicture(int32_t x, int32_t y, int32_t width, int32_t height, int32_t width_limit,
                                 int32_t height_limit) {
  ClippedSpan span;
  span.first_col = std::max<int64_t>(0, -int64_t{x});
  span.end_col = std::min<int64_t>(width, int64_t{width_limit} - x);
  span.first_row = std::max<int64_t>(0, -int64_t{y});
  span.end_row = std::min<int64_t>(height, int64_t{height_limit} - y);
  return span;
}

// As ClipToPicture, further kept inside a clip area when there is one.
inline ClippedSpan ClipToPicture(int32_t x, int32_t y, int32_t width, int32_t height, int32_t width_limit,
                                 int32_t height_limit, const std::optional<Rect>& clip) {
  ClippedSpan span = ClipToPicture(x, y, width, height, width_limit, height_limit);
  if (!clip) return span;
  span.first_col = std::max<int64_t>(span.first_col, int64_t{clip->left} - x);
  span.end_col = std::min<int64_t>(span.end_col, int64_t{clip->right} - x);
  span.first_row = std::max<int64_t>(span.first_row, int64_t{clip->top} - y);
  span.end_row = std::min<int64_t>(span.end_row, int64_t{clip->bottom} - y);
  return span;
}

}  // namespace ambervale
