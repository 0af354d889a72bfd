#include "engine/ring_mask.h"

#include <cmath>

#include "engine/geometry.h"
#include "engine/real_math.h"

namespace ambervale {

// Five steps of a quadratic map started from the slot's direction; the slot is masked when
// the logarithm of the final magnitude lies near an odd multiple of pi/2. Pairs that escape
// (magnitude above e^pi) are always kept. Three turns of the mask angle per ring give the
// threefold, mirror-symmetric pattern.
bool IsMaskedSlot(int32_t ring, int32_t slot) {
  const Real angle =
      (static_cast<Real>(slot) * kThreePi) / (static_cast<Real>(6 * static_cast<int64_t>(ring)) + 0.000001L);
  Real a = Abs(Cos(angle));
  Real b = Abs(Sin(angle));
  for (int step = 0; step < 5; ++step) {
    const Real next_a = ((a * a) - (b * b)) - 1.0L;
    const Real next_b = ((a * b) * 1.57L) - 1.4L;
    a = next_a;
    b = next_b;
  }
  Real level = Log(((a * a) + (b * b)) + 0.00001L);
  if (level > kPi) level = 0.0L;
  const Real sine = Sin(level);  // one evaluation: the function gives the same bits every time
  return sine * sine >= 0.5L;
}

void ApplyRingMask(SaverState& state) {
  const int32_t last_ring = LastRing(state);
  for (int32_t ring = 0; ring <= last_ring; ++ring) {
    for (int32_t slot = 0; slot <= 6 * ring; ++slot) {
      if (IsMaskedSlot(ring, slot)) {
        state.cycle.x[ring][slot] = 0;
        state.cycle.y[ring][slot] = 0;
      }
    }
  }
}

}  // namespace ambervale
