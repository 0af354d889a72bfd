// The settings window's preview: the saver on a small screen of the preview's size, under the
// full-screen grid rules (so that Size shows as it will), following each change at once through
// the run's ChangeSetting. Free of GTK.
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

  // The window's values: each one that differs from the run's goes to the run, which restarts
  // the cycle or sets the pace as the Windows dialog's saver does.
  void Show(const Settings& settings);
  // Runs the ticks that are due at `now`; true when the picture changed. `next_wake` is when
  // to call again (none: no tick will come).
  bool Advance(MonotonicTime now, std::optional<MonotonicTime>& next_wake);

  // The picture: Width() x Height() pixels of 0x00RRGGBB (cairo's RGB24).
  const BackBuffer& Buffer() const { return run_->Buffer(); }
  // The grid's columns across the preview, as a screen of any width has them.
  int32_t Columns() const { return run_->State().grid.cols; }

 private:
  std::unique_ptr<BufferedRun> run_;
};

}  // namespace ambervale
