// The saver's start-up without GDI+. Wine's per-program DLL overrides disable gdiplus.dll for
// Ambervale.scr alone (a variable set here would not reach the saver: Wine passes its own
// variables on from the Unix side).
#include <string>

#include "e2e_support.h"

using namespace e2e;

E2E_CASE(missing_gdiplus_reports_and_ends) {
  const char* overrides = "Software\\Wine\\AppDefaults\\Ambervale.scr\\DllOverrides";
  RegSetKeyValueA(HKEY_CURRENT_USER, overrides, "gdiplus", REG_SZ, "", 1);
  for (const char* arguments : {"/s", "/c"}) {
    SaverProcess saver;
    HWND box = saver.Start(ctx.scr_path, arguments) ? WaitMessageBox(saver.Id(), 30000) : nullptr;
    if (!box) {
      ctx.Fail(std::string("no message box for ") + arguments);
      break;
    }
    const std::string text = MessageBoxText(box);
    E2E_CHECK(text.rfind("GDI+ could not be loaded: gdiplus.dll is missing from the system folder", 0) == 0, text);
    E2E_CHECK(WindowText(box) == "Ambervale Screensaver", "caption: " + WindowText(box));
    DismissMessageBox(box);
    E2E_CHECK(saver.WaitExit(20000) && saver.ExitCode() == 1, "exit code " + std::to_string(saver.ExitCode()));
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, overrides);
}
