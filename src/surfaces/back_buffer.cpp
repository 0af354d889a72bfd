#include "surfaces/back_buffer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "surfaces/blend.h"
#include "surfaces/blend_row.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {

BackBuffer::BackBuffer(int32_t width, int32_t height, uint32_t* memory) {
  if (!FitsInMemory(width, height)) return;
  width_ = width;
  height_ = height;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (memory == nullptr) {
    own_pixels_.assign(count, 0);
    memory = own_pixels_.data();
  }
  pixels_ = memory;
  background_.assign(count, 0);
}

uint32_t BackBuffer::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void BackBuffer::SetBackground(std::vector<uint32_t> pixels) {
  if (pixels.size() != background_.size()) return;
  background_ = std::move(pixels);
  whole_restore_ = true;
}

void BackBuffer::FillBackground(uint32_t rgb) {
  std::fill(background_.begin(), background_.end(), rgb & 0xFFFFFF);
  whole_restore_ = true;
}

void BackBuffer::CopyBackgroundFrom(const BackBuffer& other) {
  const Rect mine{origin_.x, origin_.y, origin_.x + width_, origin_.y + height_};
  const Rect theirs{other.origin_.x, other.origin_.y, other.origin_.x + other.width_, other.origin_.y + other.height_};
  const Rect both = Intersection(mine, theirs);
  if (both.Width() <= 0 || both.Height() <= 0) return;
  whole_restore_ = true;
  for (int32_t y = both.top; y < both.bottom; ++y) {
    const auto from =
        other.background_.begin() + (static_cast<size_t>(y - theirs.top) * other.width_ + (both.left - theirs.left));
    std::copy(from, from + both.Width(),
              background_.begin() + (static_cast<size_t>(y - mine.top) * width_ + (both.left - mine.left)));
  }
}

std::optional<Rect> BackBuffer::ToBuffer(const std::optional<Rect>& area) const {
  if (!area) return std::nullopt;
  return Rect{area->left - origin_.x, area->top - origin_.y, area->right - origin_.x, area->bottom - origin_.y};
}

void BackBuffer::Restore(const Rect& area) {
  const Rect r = *ToBuffer(area);
  const int32_t left = std::max(r.left, 0), right = std::min(r.right, width_);
  if (left >= right) return;
  for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y) {
    const size_t row = static_cast<size_t>(y) * width_;
    std::copy(background_.begin() + row + left, background_.begin() + row + right, pixels_ + row + left);
  }
  Include(Rect{left, std::max(r.top, 0), right, std::min(r.bottom, height_)});
}

// A cycle covers the screen with leaves only at its end, and only where they have some colour:
// most restores copy a part of the screen.
bool BackBuffer::RestoreDrawn(const std::optional<Rect>& within) {
  const bool whole = std::exchange(whole_restore_, false);
  if (whole) {
    std::copy(background_.begin(), background_.end(), pixels_);
    MarkAllDirty();
    drawn_.Clear();
    return true;
  }
  const Point to_drawing = origin_;
  const Rect limit = within.value_or(Rect{to_drawing.x, to_drawing.y, to_drawing.x + width_, to_drawing.y + height_});
  for (const Rect& part : drawn_.Parts()) {
    const Rect inside = Intersection(
        Rect{part.left + to_drawing.x, part.top + to_drawing.y, part.right + to_drawing.x, part.bottom + to_drawing.y},
        limit);
    if (inside.left < inside.right && inside.top < inside.bottom) Restore(inside);
  }
  const Rect in_buffer = *ToBuffer(limit);
  if (Intersection(drawn_.Bounds(), in_buffer) == drawn_.Bounds()) drawn_.Clear();
  return false;
}

void BackBuffer::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto* source = dynamic_cast<const MemoryBitmap*>(bitmap);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) {
    last_status_ = DrawStatus::kInvalidParameter;
    return;
  }
  if (width <= 0 || height <= 0) return;
  // To buffer pixels; a place too far off to express lies off the buffer anyway.
  const int64_t left = int64_t{x} - origin_.x;
  const int64_t top = int64_t{y} - origin_.y;
  if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX) return;
  x = static_cast<int32_t>(left);
  y = static_cast<int32_t>(top);
  const ClippedSpan span = ClipToPicture(x, y, width, height, width_, height_, ToBuffer(clip_));
  if (span.Empty()) return;
  const ScaledLeaf& leaf = ScaleSprite(*source, width, height, span);
  const size_t span_width = static_cast<size_t>(span.end_col - span.first_col);
  for (int64_t dy = span.first_row; dy < span.end_row; ++dy) {
    const size_t index = static_cast<size_t>(dy - span.first_row);
    const Argb* colours = leaf.colours.data() + index * span_width;
    uint32_t* row = pixels_ + static_cast<size_t>(y + dy) * width_ + (x + span.first_col);
    // Transparent colours change nothing: only the part of the row between the first and the
    // last visible one is blended.
    const auto [first, end] = leaf.visible_columns[index];
    BlendRow(colours + first, row + first, end - first);
  }
  const Rect drawn{static_cast<int32_t>(x + span.first_col), static_cast<int32_t>(y + span.first_row),
                   static_cast<int32_t>(x + span.end_col), static_cast<int32_t>(y + span.end_row)};
  Include(drawn);
  drawn_.Add(drawn);
}

const BackBuffer::ScaledLeaf& BackBuffer::ScaleSprite(const MemoryBitmap& source, int32_t width, int32_t height,
                                                      const ClippedSpan& span) {
  const ScaledKey key{source.Generation(), width, height, span.first_col, span.end_col, span.first_row, span.end_row};
  ++draws_;
  for (ScaledLeaf& kept : scaled_) {
    if (kept.key != key) continue;
    kept.last_use = draws_;
    return kept;
  }
  if (scaled_.size() < kScaledLeavesKept) scaled_.emplace_back();
  ScaledLeaf& leaf = *std::min_element(
      scaled_.begin(), scaled_.end(), [](const ScaledLeaf& a, const ScaledLeaf& b) { return a.last_use < b.last_use; });
  leaf.key = key;
  leaf.last_use = draws_;
  const size_t span_width = static_cast<size_t>(span.end_col - span.first_col);
  source_columns_.resize(span_width);
  for (int64_t dx = span.first_col; dx < span.end_col; ++dx)
    source_columns_[static_cast<size_t>(dx - span.first_col)] = SourceIndex(dx, width, source.Width());
  leaf.colours.resize(span_width * static_cast<size_t>(span.end_row - span.first_row));
  leaf.visible_columns.clear();
  Argb* out = leaf.colours.data();
  for (int64_t dy = span.first_row; dy < span.end_row; ++dy) {
    const Argb* source_row =
        source.Pixels().data() + static_cast<size_t>(SourceIndex(dy, height, source.Height())) * source.Width();
    size_t first = span_width, end = 0;
    for (size_t i = 0; i < span_width; ++i) {
      out[i] = source_row[source_columns_[i]];
      if (AlphaOf(out[i]) == 0) continue;
      first = std::min(first, i);
      end = i + 1;
    }
    leaf.visible_columns.emplace_back(std::min(first, end), end);
    out += span_width;
  }
  return leaf;
}

Rect BackBuffer::TakeDirty() { return std::exchange(dirty_, Rect{}); }

void BackBuffer::Include(const Rect& r) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  if (dirty_.Width() <= 0 || dirty_.Height() <= 0) {
    dirty_ = r;
    return;
  }
  dirty_ = Rect{std::min(dirty_.left, r.left), std::min(dirty_.top, r.top), std::max(dirty_.right, r.right),
                std::max(dirty_.bottom, r.bottom)};
}

}  // namespace ambervale
