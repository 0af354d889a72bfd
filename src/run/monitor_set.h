// Leaves on every monitor. The screen's device context (or a back buffer of the whole virtual
// screen) spans all monitors, but a grid is laid out for one surface. So each monitor gets an
// engine of its own: its own grid from its own size, its own layout cycle, its own sprite,
// drawing through a target shifted to the monitor's origin and clipped to it. Every engine reads
// the run's settings. One tick moves them all. With one monitor the saver is the single engine
// on the primary's SaverState, exactly as without this layer.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/geometry.h"
#include "engine/random.h"
#include "engine/saver_engine.h"
#include "engine/saver_state.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

// The monitors in virtual-screen coordinates, the primary first. The primary is the monitor
// whose top-left corner is the origin (0, 0), or the first one when none is; monitors without
// area are dropped.
std::vector<Rect> PrimaryFirst(std::vector<Rect> monitors);

// Draws through a target that covers a larger surface, for one monitor: coordinates are the
// monitor's own, shifted by its place on that surface, and every draw is clipped to it.
class MonitorTarget : public DrawTarget {
 public:
  // `origin` is the virtual-screen point that the base target's (0, 0) shows: (0, 0) for the
  // screen's device context, the virtual screen's top-left corner for a back buffer of it.
  MonitorTarget(DrawTarget& base, Point origin, const Rect& monitor);

  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  DrawStatus LastStatus() const override { return base_.LastStatus(); }

 private:
  DrawTarget& base_;
  Point shift_;
  Rect clip_;
};

class MonitorSet {
 public:
  using BitmapFactory = std::function<std::unique_ptr<ArgbBitmap>(int32_t width, int32_t height)>;

  // The primary monitor's engine works on `primary`, the run's own; its restore shows
  // `primary_area` (the preview's, or the primary monitor's). Every engine reads `settings` and
  // its restore goes to `show_desktop`.
  MonitorSet(SaverState& primary, const Settings& settings, Random& random, LeafImageSet& leaves,
             DesktopRestore show_desktop, const Rect& primary_area);

  // After a full-screen start-up of the primary: every further monitor gets a state of its
  // own (the full-screen grid from its own size, a sprite surface
  // and bitmap), its first layout and its first sprite; every engine then draws through a
  // MonitorTarget over the primary's target, which this set then takes over. `monitors` come
  // primary first (PrimaryFirst). Fewer than two monitors change nothing.
  void SpreadOver(const std::vector<Rect>& monitors, const BitmapFactory& make_bitmap);

  // The primary's start-up steps.
  void StartCycle() { primary().engine.StartCycle(); }
  void BuildSprite() { primary().engine.BuildSprite(); }

  // One tick of every monitor.
  void Tick();
  // Restores every monitor and starts a new cycle on each: the settings dialog's restart, the
  // close's restore.
  void RestoreAndRestart();
  // A new Size: every monitor's grid on `rule` (the next restart lays it out).
  void ApplySize(SizeRule rule);

  size_t Count() const { return monitors_.size(); }
  SaverState& State(size_t index) { return *monitors_[index]->state; }

 private:
  struct Monitor {
    Monitor(SaverState& shared, std::unique_ptr<SaverState> own, const Settings& settings, Random& random,
            LeafImageSet& leaves, const DesktopRestore& show_desktop, const Rect& area);
    std::unique_ptr<SaverState> own_state;  // null for the primary, which uses the shared state
    SaverState* state;
    SaverEngine engine;
  };

  Monitor& primary() { return *monitors_.front(); }
  void AddMonitor(const Rect& area, const BitmapFactory& make_bitmap);
  const Settings& settings_;
  Random& random_;
  LeafImageSet& leaves_;
  DesktopRestore show_desktop_;
  std::unique_ptr<DrawTarget> base_target_;
  std::vector<std::unique_ptr<Monitor>> monitors_;
};

}  // namespace ambervale
