// The saver window RunningSaver: a see-through, borderless, stay-on-top popup that owns the tick
// timer and the leaf pictures, receives the keys, and frames a run from its start-up to its
// close. The leaves are painted on the screen's (or the preview window's) device context,
// never into this window.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/saver_state.h"
#include "settings/live_saver.h"

namespace ambervale {

class RunningSaver : public LiveSaver {
 public:
  ~RunningSaver() override = default;

  virtual HWND Handle() const = 0;
  // True once the start-up ran to its end; a failed start-up leaves the window without
  // surfaces, and it then only waits for its close.
  virtual bool Started() const = 0;

  // LiveSaver: the settings dialog's doors into the run; CloseSaver is the one close request
  // (WM_CLOSE -> MayClose -> Close -> DestroyWindow).
};

// Creates the saver window over `state` (which must outlive it) and runs its start-up (Start)
// with the process's command line; state.run_mode must already be set. The first window
// created becomes the application's main window. An error during start-up is shown by the
// application's default handler and the window is created all the same. Never null; the
// window goes with the object at the latest.
std::unique_ptr<RunningSaver> CreateSaverWindow(SaverState& state);

}  // namespace ambervale
