// Entry point of Ambervale.scr: the run mode from the first argument, then the
// window that the mode needs, and the message loop until the main window closes.
#include <windows.h>
#include <stdlib.h>

#include <memory>

#include "win32/application.h"
#include "run/saver_startup.h"
#include "win32/saver_window.h"
#include "win32/settings/settings_store.h"
#include "win32/settings_dialog.h"
#include "win32/win_registry.h"
#include "win32/gdiplus_api.h"
#include "win32/gdiplus_objects.h"
#include "win32/system_library.h"

using namespace ambervale;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystemFolder();
  Application& application = Application::Instance();
  application.SetTitle("Ambervale Screensaver");

  // Destroyed in the reverse order: the dialog (which works on the saver) first, then the saver
  // window with its run, bitmaps and drawing targets, and the graphics library's session last,
  // since every GDI+ object must be released while it still runs.
  GdiplusSession gdiplus;
  std::unique_ptr<LiveSaver> saver;
  std::unique_ptr<SettingsDialog> dialog;

  const RunMode mode = RunModeOf(__argc > 1 && __argv[1] ? ParseRunMode(__argv[1]) : 0);
  // Mode A shows nothing and ends at once, with or without GDI+.
  if (!gdiplus.ok() && mode != RunMode::kPassword) {
    application.ShowException(GdiplusFailureMessage(gdiplus.status()));
    return 1;
  }
  if (mode != RunMode::kSettings && mode != RunMode::kPassword) saver = CreateSaverWindow(mode);
  if (mode == RunMode::kSettings) {
    SettingsDialogDeps deps;
    deps.create_saver = [&]() -> LiveSaver& {
      if (!saver) saver = CreateSaverWindow(mode);
      return *saver;
    };
    // The dialog made the saver first; its settings are the run's.
    deps.save = [&saver] {
      WinRegistryRoot registry;
      SaveSettings(saver->CurrentSettings(), registry);
    };
    application.Guard([&] { dialog = SettingsDialog::Create(std::move(deps)); });
  }
  return application.Run();
}
