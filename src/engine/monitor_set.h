// Leaves on every monitor. The screen's device context (or a back buffer of the whole virtual
// screen) spans all monitors, but a grid is laid out for one surface. So each monitor gets an
// engine of its own: its own grid from its own size, its own layout cycle, its own sprite,
// drawing through a target shifted to the monitor's origin and clipped to it. One tick moves
// them all; the exit checks run once per tick. With one monitor the saver is the single engine
// on the shared SaverState, exactly as without this layer.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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
  int32_t LastStatus() const override { return base_.LastStatus(); }

 private:
  DrawTarget& base_;
  Point shift_;
  Rect clip_;
};

class MonitorSet {
 public:
  using BitmapFactory = std::function<std::unique_ptr<ArgbBitmap>(int32_t width, int32_t height)>;

  // The primary monitor's engine works on `primary`, the state the settings dialog edits.
  MonitorSet(SaverState& primary, Random& random, LeafImageSet& leaves, SaverHost& window);

  // After a full-screen start-up of the primary: every further monitor gets a state of its
  // own (settings as the primary's, geometry rule G1 from its own size, a sprite surface and
  // bitmap), its first layout and its first sprite; every engine then draws through a
  // MonitorTarget over `whole_screen`, a target of the whole virtual screen whose (0, 0)
  // shows `origin` (null: the primary's own target, which this set then takes over).
  // `monitors` come primary first (PrimaryFirst). Fewer than two monitors change nothing.
  void SpreadOver(const std::vector<Rect>& monitors, std::unique_ptr<DrawTarget> whole_screen, Point origin,
                  const BitmapFactory& make_bitmap);

  // Before a new SpreadOver, when the monitors changed: the primary alone again, on the whole
  // desktop, without a drawing target (the caller makes a new one for the new screen).
  void Forget();

  // The primary's start-up steps.
  void UpAlgorithm() { primary().engine.UpAlgorithm(); }
  void Snowflake() { primary().engine.Snowflake(); }

  // One tick of every monitor, the exit checks once at its head.
  void Timer1Timer();
  // Restores every monitor and starts a new cycle on each: the settings dialog's restart, the
  // close's restore. The settings the dialog changed reach every monitor first.
  void UpScreen();

  size_t Count() const { return monitors_.size(); }
  SaverState& State(size_t index) { return *monitors_[index]->state; }
  SaverEngine& Engine(size_t index) { return monitors_[index]->engine; }

 private:
  // What one monitor's engine asks of the window: the exit checks from the primary only, and
  // a restore of the monitor's own area once there are several.
  class MonitorHost : public SaverHost {
   public:
    MonitorHost(SaverHost& window, bool primary) : window_(window), primary_(primary) {}
    void RunExitChecks() override;
    void SetTimerEnabled(bool on) override { window_.SetTimerEnabled(on); }
    void RepaintDesktop() override;
    void RestoreOnly(std::optional<Rect> area) { area_ = area; }

   private:
    SaverHost& window_;
    bool primary_;
    std::optional<Rect> area_;
  };

  struct Monitor {
    Monitor(SaverState& shared, std::unique_ptr<SaverState> own, Random& random, LeafImageSet& leaves,
            SaverHost& window, bool primary);
    std::unique_ptr<SaverState> own_state;  // null for the primary, which uses the shared state
    SaverState* state;
    MonitorHost host;
    SaverEngine engine;
  };

  Monitor& primary() { return *monitors_.front(); }
  void AddMonitor(const Rect& area, const BitmapFactory& make_bitmap);
  // The settings the dialog may change while the saver runs, from the primary to the others.
  void ShareSettings(bool with_algorithm);

  Random& random_;
  LeafImageSet& leaves_;
  SaverHost& window_;
  std::unique_ptr<DrawTarget> base_target_;
  Point target_origin_;
  std::vector<std::unique_ptr<Monitor>> monitors_;
};

}  // namespace ambervale
