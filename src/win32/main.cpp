// Entry point of Ambervale.scr (Project1): the run mode from the first argument, then the
// window that the mode needs, and the message loop until the main window closes.
#include <windows.h>
#include <stdlib.h>

#include <memory>

#include "win32/application.h"
#include "engine/saver_startup.h"
#include "win32/saver_window.h"
#include "settings/settings_store.h"
#include "win32/settings_dialog.h"
#include "win32/win_registry.h"
#include "win32/gdiplus_api.h"
#include "win32/gdiplus_objects.h"
#include "win32/system_library.h"

using namespace ambervale;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystemFolder();
  SaverState& state = TheSaverState();
  state.RunMode = __argc > 1 && __argv[1] ? ParseRunMode(__argv[1]) : 0;

  Application& application = Application::Instance();
  application.SetTitle("Ambervale Screensaver");

  GdiplusSession gdiplus;
  // Mode A shows nothing and ends at once, with or without GDI+.
  if (!gdiplus.ok() && state.RunMode != 'A') {
    application.ShowException(GdiplusFailureMessage(gdiplus.status()));
    return 1;
  }
  {
    std::unique_ptr<TForm2> dialog;
    if (state.RunMode != 'C' && state.RunMode != 'A') CreateSaverWindow();
    if (state.RunMode == 'C') {
      SettingsDialogDeps deps;
      deps.create_saver = []() -> LiveSaver& { return *CreateSaverWindow(); };
      deps.state = &state;
      deps.save = [&state] {
        WinRegistryRoot registry;
        SaveSettings(state, registry);
      };
      application.Guard([&] { dialog = TForm2::Create(std::move(deps)); });
    }
    application.Run();
  }
  // The saver's bitmaps and drawing target stay unreleased: the process ends right after the
  // graphics library shuts down.
  return 0;
}
