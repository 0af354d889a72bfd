// When the Wayland program wakes its run, from the frame callbacks of the outputs it shows on.
// While an output's frame is pending nothing drawn for it could show, so the run ticks when a
// frame is done; but a compositor slow to answer must not make the run miss ticks (made up for
// 250 ms only): while every output waits for its frame the run ticks every 100 ms meanwhile.
// A compositor that sends no frame for long shows nothing of ours (an output blanked, a
// surface hidden by a lock): once every output has waited that long the run pauses, with no
// wake at all, until a frame comes; its pace then starts again from there.
#pragma once

#include <chrono>
#include <optional>
#include <span>

#include "run/pacer.h"

namespace ambervale {

inline constexpr MonotonicTime kPendingFrameWake = std::chrono::milliseconds(100);
// Far longer than any compositor takes for a frame it means to show, even a loaded one.
inline constexpr MonotonicTime kUnseenAfter = std::chrono::seconds(2);

// `next_tick`: when the run's next tick is due (none while none will come); `last_advance`: its
// last wake; `frames_pending_since`: for each output shown on, since when its frame is pending.
std::optional<MonotonicTime> NextAdvance(std::optional<MonotonicTime> next_tick, MonotonicTime last_advance,
                                         std::span<const std::optional<MonotonicTime>> frames_pending_since);

}  // namespace ambervale
