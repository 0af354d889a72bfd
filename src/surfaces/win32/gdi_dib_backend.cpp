// Placeholder until the DIB-section backend lands: storage only.
#include <vector>

#include "surfaces/dib.h"

namespace ambervale {
namespace {
class HeapStorage : public DibStorage {
 public:
  explicit HeapStorage(const DibFormat& f) : bytes_(static_cast<size_t>(f.stride) * f.height) {}
  uint8_t* Bits() override { return bytes_.data(); }
  void StretchPicture(const Rect&, TJPEGImage&) override {}
  void CopyFromScreen(const ScreenSource&) override {}
 private:
  std::vector<uint8_t> bytes_;
};
class HeapBackend : public DibBackend {
 public:
  std::unique_ptr<DibStorage> Allocate(const DibFormat& f) override { return std::make_unique<HeapStorage>(f); }
};
}  // namespace
DibBackend& DefaultDibBackend() {
  static HeapBackend backend;
  return backend;
}
}  // namespace ambervale
