#include "surfaces/dib.h"

#include <new>

#include "base/errors.h"

namespace ambervale {
namespace {

bool ValidDepth(int32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

int32_t StrideFor(int32_t depth, int32_t width) {
  return static_cast<int32_t>(((static_cast<int64_t>(depth) * width + 31) / 32) * 4);
}

}  // namespace

Dib::Dib(DibBackend& backend) : backend_(&backend) {}
Dib::~Dib() = default;

void Dib::SetDepth(int32_t bits) {
  // Converting the pixels of a sized surface is never asked for: the depth is set once,
  // right after creation, which gives 1 x 1 storage.
  Resize(Empty() ? 1 : format_.width, Empty() ? 1 : format_.height, bits);
}

void Dib::SetDibWidth(int32_t width) {
  if (Empty()) {
    Resize(width, 1, 8);
  } else {
    Resize(width, format_.height, format_.depth);
  }
}

void Dib::SetDibHeight(int32_t height) {
  if (Empty()) {
    Resize(1, height, 8);
  } else {
    Resize(format_.width, height, format_.depth);
  }
}

void Dib::Resize(int32_t width, int32_t height, int32_t depth) {
  if (!Empty() && width == format_.width && height == format_.height && depth == format_.depth) return;
  if (width <= 0 || height <= 0) {
    storage_.reset();
    format_ = DibFormat{};
    top_row_ = nullptr;
    row_step_ = 0;
    return;
  }
  if (!ValidDepth(depth)) throw InvalidGraphicOperation(Format("Bitcount in invalid (%d)", depth));
  int32_t stride = StrideFor(depth, width);
  // The platform keeps a DIB's size in 32 bits; anything larger cannot be made.
  if (static_cast<int64_t>(stride) * height > INT32_MAX) throw OutOfResources(Format("%s cannot be made", "DIB"));
  DibFormat format{width, height, depth, stride};
  std::unique_ptr<DibStorage> storage;
  try {
    storage = backend_->Allocate(format);
  } catch (const std::bad_alloc&) {
    storage.reset();
  }
  if (!storage) throw OutOfResources(Format("%s cannot be made", "DIB"));
  storage_ = std::move(storage);
  format_ = format;
  // Bottom-up: the picture's top row is the last one in memory.
  top_row_ = storage_->Bits() + static_cast<int64_t>(height - 1) * stride;
  row_step_ = -stride;
}

uint8_t* Dib::Row(int32_t y) { return top_row_ + static_cast<int64_t>(y) * row_step_; }

void Dib::PutPixel(int32_t x, int32_t y, Rgb colour) {
  if (Empty() || x < 0 || x >= format_.width || y < 0 || y >= format_.height) return;
  if (format_.depth != 24 && format_.depth != 32) return;  // the engine's surfaces are all 24-bit
  uint8_t* pixel = Row(y) + static_cast<int64_t>(x) * (format_.depth / 8);
  pixel[0] = BlueOf(colour);
  pixel[1] = GreenOf(colour);
  pixel[2] = RedOf(colour);
}

const uint8_t* Dib::RowBytes(int32_t y) {
  if (Empty() || y < 0 || y >= format_.height)
    throw InvalidGraphicOperation(Format("Index of the scanning line exceeded the range. (%d)", y));
  storage_->Flush();
  return Row(y);
}

void Dib::StretchPicture(const Rect& rect, JpegImage& picture) {
  if (Empty()) return;
  storage_->StretchPicture(rect, picture);
}

void Dib::CopyFromScreen(const ScreenSource& screen) {
  if (Empty()) return;
  storage_->CopyFromScreen(screen);
}

}  // namespace ambervale
