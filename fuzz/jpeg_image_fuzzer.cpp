// A picture's bytes, whatever they are, through JpegImage and onto a sprite surface: the
// decoder either yields a whole picture, kept for later draws, or raises JpegError with its
// message number; nothing else may happen (no crash, no read past the bytes, no other error).
// One input in eight (by its size) decodes with the 236-colour palette of an 8-bit screen, the
// others in true colour: both paths see every kind of picture without a selector byte in the
// input, and the costly colour quantiser does not slow the fuzzer down much.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "base/errors.h"
#include "fuzz/require.h"
#include "surfaces/dib.h"
#include "surfaces/jpeg_image.h"

using namespace ambervale;
using ambervale::fuzz::Require;

namespace {

void CheckPicture(const DecodedPicture& picture, PictureDepth depth) {
  Require(picture.width > 0 && picture.height > 0, "an empty picture decoded");
  const bool palette = depth == PictureDepth::kPalette236;
  Require(picture.bits == (palette ? 8 : 24), "bits per pixel");
  Require(picture.row_bytes == picture.width * (palette ? 1 : 3), "row size");
  Require(picture.pixels.size() == static_cast<size_t>(picture.row_bytes) * picture.height, "pixel storage size");
  if (!palette) return Require(picture.palette.empty(), "a palette in true colour");
  Require(!picture.palette.empty() && picture.palette.size() <= 236, "palette size");
  for (uint8_t index : picture.pixels) Require(index < picture.palette.size(), "an index past the palette");
}

// The sprite surfaces of a full-screen and of a preview run.
void DrawOnSprites(JpegImage& image) {
  for (int32_t size : {100, 20}) {
    Dib sprite;
    sprite.SetDepth(24);
    sprite.SetDibWidth(size);
    sprite.SetDibHeight(size);
    sprite.StretchPicture(Rect{0, 0, size, size}, image);
    (void)sprite.RowBytes(size - 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes on the heap, so a read one byte past the picture is caught.
  auto* bytes = new uint8_t[size];
  if (size != 0) std::memcpy(bytes, data, size);
  const PictureDepth depth = size % 8 == 7 ? PictureDepth::kPalette236 : PictureDepth::kTrueColour;
  {
    JpegImage image(std::span<const uint8_t>(bytes, size), depth);
    try {
      const DecodedPicture& picture = image.Decoded();
      CheckPicture(picture, depth);
      Require(&image.Decoded() == &picture && image.DecodeCount() == 1, "a kept picture decoded again");
      DrawOnSprites(image);
    } catch (const JpegError& error) {
      int code = -1;
      Require(std::sscanf(error.what(), "JPEG error #%d", &code) == 1 && code >= 0, "the EJPEG message");
      Require(!image.IsDecoded(), "a failed picture kept");
    }
  }
  delete[] bytes;
  return 0;
}
