#include "surfaces/damage.h"

namespace ambervale {
namespace {

bool OverlapOrTouch(const Rect& a, const Rect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

void Damage::Add(const Rect& area) {
  if (area.Width() <= 0 || area.Height() <= 0) return;
  for (Rect& part : parts_) {
    if (OverlapOrTouch(part, area)) {
      part = BoundingUnion(part, area);
      return;
    }
  }
  if (parts_.size() < kMaxParts) {
    parts_.push_back(area);
  } else {
    parts_.back() = BoundingUnion(parts_.back(), area);
  }
}

void Damage::Add(const Damage& other) {
  for (const Rect& part : other.parts_) Add(part);
}

void Damage::ClipTo(const Rect& bounds) {
  for (Rect& part : parts_) part = Intersection(part, bounds);
  std::erase_if(parts_, [](const Rect& part) { return part.Width() <= 0; });
}

Rect Damage::Bounds() const {
  Rect bounds;
  for (const Rect& part : parts_) bounds = BoundingUnion(bounds, part);
  return bounds;
}

}  // namespace ambervale
