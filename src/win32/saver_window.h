// The saver window: a borderless, stay-on-top popup that frames a run from its start-up to its
// close. It owns the run, the wake timer and the leaf pictures, and receives the keys. Without
// composition it is see-through and the leaves are painted on the screen's (or the preview
// window's) device context; with composition it covers the screen and shows the leaves itself
// (CompositedDrawing).
#pragma once

#include <memory>

#include "run/saver_startup.h"
#include "win32/settings/live_saver.h"

namespace ambervale {

// Creates the saver window, whose run starts in `mode` with the process's command line. The first window created becomes
// the application's main window. An error during start-up is shown by the application's
// default handler and the window is created all the same. Never null; the window goes with the
// object at the latest. The settings dialog reaches the run through what is returned; its close
// (CloseSaver) is the one close request (WM_CLOSE -> MayClose -> Close -> DestroyWindow).
std::unique_ptr<LiveSaver> CreateSaverWindow(RunMode mode);

}  // namespace ambervale
