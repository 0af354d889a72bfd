// What changed on a surface since it was last shown, as a few rectangles: two leaves far apart
// go to the screen as two cells, not as everything between them.
#pragma once

#include <cstddef>
#include <vector>

#include "surfaces/types.h"

namespace ambervale {

class Damage {
 public:
  static constexpr size_t kMaxParts = 8;

  // An area joins the part it overlaps or touches; else it is a part of its own, while there
  // are fewer than kMaxParts, and after that it joins the last one.
  void Add(const Rect& area);
  void Add(const Damage& other);
  // Every part cut to `bounds`; the parts left empty go.
  void ClipTo(const Rect& bounds);
  void Clear() { parts_.clear(); }

  bool Empty() const { return parts_.empty(); }
  const std::vector<Rect>& Parts() const { return parts_; }
  Rect Bounds() const;

 private:
  std::vector<Rect> parts_;
};

}  // namespace ambervale
