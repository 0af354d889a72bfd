// The saver's own copy of what its window shows: a picture of the desktop with the leaves
// blended over it. Hosts that draw into a window of their own (the X11 hack, the composited
// Windows window, the preview child window) keep one, send only what changed to the screen
// and repaint from it whenever the system asks.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "surfaces/blend.h"
#include "surfaces/damage.h"
#include "surfaces/drawing.h"
#include "surfaces/memory_surfaces.h"
#include "surfaces/types.h"

namespace ambervale {

// 32 bits a pixel, top row first, each pixel 0x00RRGGBB: in memory blue, green, red, unused,
// the layout of a 32-bit top-down DIB and of an X11 ZPixmap on a 24-bit TrueColor visual.
class BackBuffer : public DrawTarget {
 public:
  // A bad or too large size gives an empty buffer (0 x 0) that draws nothing. With `memory`
  // (width x height pixels that outlive the buffer, such as an image the display shares) the
  // buffer draws straight into it, so presenting it needs no copy.
  BackBuffer(int32_t width, int32_t height, uint32_t* memory = nullptr);
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const uint32_t* Pixels() const { return pixels_; }
  // Draws from now on into `memory` (given as at construction), which must hold the same
  // picture: a host that alternates between the display's buffers moves the drawing to the
  // one the display is not reading.
  void MoveTo(uint32_t* memory) {
    if (memory != nullptr && pixels_ != nullptr) pixels_ = memory;
  }
  // 0 outside the buffer. Buffer pixels, whatever the origin.
  uint32_t Pixel(int32_t x, int32_t y) const;

  // The drawing coordinates of buffer pixel (0, 0); (0, 0) unless set. A buffer behind a
  // window over several monitors starts at the virtual screen's top-left, which may be
  // negative, while the leaves are placed in screen coordinates.
  void SetOrigin(Point origin) { origin_ = origin; }
  Point Origin() const { return origin_; }

  // The picture a restore brings back, Width() x Height() pixels in the buffer's layout;
  // ignored when the size differs. Use Background() to fill it in place.
  void SetBackground(std::vector<uint32_t> pixels);
  void FillBackground(uint32_t rgb);
  // Where this buffer and `other` cover the same drawing coordinates, this background takes
  // `other`'s: a buffer over a new screen keeps what an old one knew of the desktop.
  void CopyBackgroundFrom(const BackBuffer& other);
  std::vector<uint32_t>& Background() {
    whole_restore_ = true;  // whoever writes it may change any of it
    return background_;
  }
  const std::vector<uint32_t>& Background() const { return background_; }

  // The buffer := the background. Only what was drawn since the last restore is copied back
  // (and to be presented), unless the background changed since: then the whole buffer, and
  // Restore says so (true). Given an area (one monitor's, in the coordinates DrawScaled takes),
  // only what was drawn inside it goes: the other monitors' leaves stay.
  bool Restore() { return RestoreDrawn(std::nullopt); }
  bool RestoreWithin(const Rect& area) { return RestoreDrawn(area); }
  // The same for one area only (in the coordinates DrawScaled takes), e.g. one monitor.
  void Restore(const Rect& area);

  // Blends the bitmap scaled into the rectangle (drawing coordinates), source-over by its
  // alpha (surfaces/blend.h); the changed pixels join the dirty rectangle. Draws
  // MemoryBitmap sources only.
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  DrawStatus LastStatus() const override { return last_status_; }
  void ClipTo(const Rect& area) override { clip_ = area; }

  // The smallest rectangle of buffer pixels holding every pixel changed since the last call
  // (empty when none), and starts afresh.
  Rect TakeDirty();
  void MarkAllDirty() { Include(Rect{0, 0, width_, height_}); }

 private:
  void Include(const Rect& r);
  // The part `span` of `source` scaled to width x height, and each row's columns from its
  // first to its last colour that is not transparent.
  struct ScaledKey {
    uint64_t generation = 0;
    int32_t width = 0, height = 0;
    int64_t first_col = 0, end_col = 0, first_row = 0, end_row = 0;
    friend bool operator==(const ScaledKey&, const ScaledKey&) = default;
  };
  struct ScaledLeaf {
    ScaledKey key;
    uint64_t last_use = 0;
    std::vector<Argb> colours;
    std::vector<std::pair<size_t, size_t>> visible_columns;
  };
  const ScaledLeaf& ScaleSprite(const MemoryBitmap& source, int32_t width, int32_t height, const ClippedSpan& span);
  std::optional<Rect> ToBuffer(const std::optional<Rect>& area) const;  // to buffer pixels
  bool RestoreDrawn(const std::optional<Rect>& within);

  // A leaf fades in over several draws of one cell, and the same 25 leaves come back cell
  // after cell: each is scaled once for its cell size (and visible part) and kept, the
  // longest unused going first. Keyed bitmaps keep their generation from cell to cell.
  static constexpr size_t kScaledLeavesKept = 25;

  int32_t width_ = 0;
  int32_t height_ = 0;
  DrawStatus last_status_ = DrawStatus::kOk;
  Point origin_;
  std::vector<uint32_t> own_pixels_;
  uint32_t* pixels_ = nullptr;  // own_pixels_, or the memory given
  std::vector<uint32_t> background_;
  bool whole_restore_ = true;
  Damage drawn_;  // since the last whole restore, in buffer pixels
  std::vector<ScaledLeaf> scaled_;
  uint64_t draws_ = 0;
  std::vector<int32_t> source_columns_;
  Rect dirty_;
  std::optional<Rect> clip_;
};

}  // namespace ambervale
