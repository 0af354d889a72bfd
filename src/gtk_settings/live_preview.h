// The settings window's preview: the saver on a small screen of the preview's size, under the
// full-screen grid rules (so that Size shows as it will), following each change at once.
// Free of GTK.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "linux/buffered_run.h"

namespace ambervale {

class LivePreview {
 public:
  // `background`: the desktop under the leaves at the preview's size (0x00RRGGBB), or empty for
  // the plain background.
  LivePreview(int32_t width, int32_t height, const Settings& settings, std::vector<uint32_t> background = {});

  // New values: a new layout, size or opacity starts a fresh cycle with them, as the Windows
  // dialog restarts its saver; the pace and Random act on the running cycle.
  void Show(const Settings& settings);
  // Runs the ticks that are due at `now`; true when the picture changed. `next_wake` is when
  // to call again (none: no tick will come).
  bool Advance(MonotonicTime now, std::optional<MonotonicTime>& next_wake);

  // The picture: Width() x Height() pixels of 0x00RRGGBB (cairo's RGB24).
  const BackBuffer& Buffer() const { return run_->Buffer(); }
  // The grid's columns across the preview, as a screen of any width has them.
  int32_t Columns() const { return run_->State().grid.cols; }

 private:
  void Restart();

  int32_t width_;
  int32_t height_;
  Settings shown_;
  std::vector<uint32_t> background_;
  std::unique_ptr<BufferedRun> run_;
};

}  // namespace ambervale
