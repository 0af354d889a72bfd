// A JPEG picture: the compressed bytes, decoded once at first use and kept.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ambervale {

// How pictures are decoded, fixed once per run from the screen's colour depth.
enum class PictureDepth {
  kTrueColour,  // 24 bits a pixel, rows of blue, green, red (screens of more than 8 bits)
  kPalette236,  // 8-bit indices into a quantised palette of 236 colours (screens of 8 bits or less)
};

struct DecodedPicture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 24;              // 24 or 8
  int32_t row_bytes = 0;          // bytes per row in `pixels` (width x 3, or width)
  std::vector<uint8_t> pixels;    // top row first
  std::vector<uint32_t> palette;  // 8-bit pictures only: 0x00RRGGBB per index
};

// Platform data derived from a decoded picture (the Windows layer keeps a GDI bitmap here).
class PictureCache {
 public:
  virtual ~PictureCache() = default;
};

class JpegImage {
 public:
  // The bytes are not copied: they must outlive the picture (the program's are static).
  explicit JpegImage(std::span<const uint8_t> jpeg, PictureDepth depth = PictureDepth::kTrueColour);
  JpegImage(const JpegImage&) = delete;
  JpegImage& operator=(const JpegImage&) = delete;
  ~JpegImage();

  // Decodes on the first call (full size, colour, floating-point IDCT, block smoothing) and
  // returns the kept picture on every later one. Raises JpegError for data the decoder rejects.
  const DecodedPicture& Decoded();
  bool IsDecoded() const { return decoded_ != nullptr; }
  int DecodeCount() const { return decode_count_; }

  std::unique_ptr<PictureCache>& platform_cache() { return platform_cache_; }

 private:
  std::span<const uint8_t> jpeg_;
  PictureDepth depth_;
  std::unique_ptr<DecodedPicture> decoded_;
  std::unique_ptr<PictureCache> platform_cache_;
  int decode_count_ = 0;
};

}  // namespace ambervale
