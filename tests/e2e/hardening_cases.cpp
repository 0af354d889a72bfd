// Cases of the saver's start-up when GDI+ is not there to be had.
#include <string>

#include "e2e_support.h"

namespace {

using namespace e2e;

constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kExitTimeout = 20000;

// Disables a DLL for the saver alone while the object lives: Wine's per-program DLL
// overrides (a variable set here would not reach the saver: Wine passes its own variables on
// from the Unix side).
class DisabledDllForSaver {
 public:
  explicit DisabledDllForSaver(const char* dll) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr) == ERROR_SUCCESS)
      RegSetValueExA(key_, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  }
  ~DisabledDllForSaver() {
    if (key_) RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  }

 private:
  static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\Ambervale.scr\\DllOverrides";
  HKEY key_ = nullptr;
};

}  // namespace

E2E_CASE(missing_gdiplus_reports_and_ends) {
  DisabledDllForSaver no_gdiplus("gdiplus");
  for (const char* arguments : {"/s", "/c"}) {
    SaverProcess saver;
    if (!saver.Start(ctx.scr_path, arguments)) return ctx.Fail("CreateProcess failed");
    HWND box = WaitMessageBox(saver.Id(), kStartTimeout);
    if (!box) return ctx.Fail(std::string("no message box for ") + arguments);
    const std::string text = MessageBoxText(box);
    E2E_CHECK(text.rfind("GDI+ could not be loaded: gdiplus.dll is missing from the system folder", 0) == 0,
              "text: " + text);
    E2E_CHECK(WindowText(box) == "Ambervale Screensaver", "caption: " + WindowText(box));
    DismissMessageBox(box);
    if (!saver.WaitExit(kExitTimeout)) return ctx.Fail(std::string("still running after the message, ") + arguments);
    E2E_CHECK(saver.ExitCode() == 1, "exit code " + std::to_string(saver.ExitCode()));
  }
}
