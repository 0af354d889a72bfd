#include "wayland/frame_wait.h"

#include <algorithm>

namespace ambervale {

std::optional<MonotonicTime> NextAdvance(std::optional<MonotonicTime> next_tick, MonotonicTime last_advance,
                                         std::span<const std::optional<MonotonicTime>> frames_pending_since) {
  if (!next_tick) return std::nullopt;
  const auto waiting = [](const std::optional<MonotonicTime>& since) { return since.has_value(); };
  if (frames_pending_since.empty() || !std::all_of(frames_pending_since.begin(), frames_pending_since.end(), waiting))
    return next_tick;
  const MonotonicTime latest_request = **std::max_element(frames_pending_since.begin(), frames_pending_since.end());
  if (last_advance - latest_request >= kUnseenAfter) return std::nullopt;
  return std::max(*next_tick, last_advance + kPendingFrameWake);
}

}  // namespace ambervale
