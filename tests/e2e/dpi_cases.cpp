// End-to-end cases of the settings dialog on a dense screen: Wine takes the DPI from the
// registry when a process starts, so the case sets it for the saver it starts and puts the
// old value back as soon as the saver is up.
#include <windows.h>

#include <optional>
#include <string>

#include "e2e_support.h"

namespace {

// Wine 8 takes the system DPI from this per-user value when it exists, and from
// HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts otherwise.
constexpr char kDpiKey[] = "Control Panel\\Desktop";
constexpr char kDpiValue[] = "LogPixels";

// Sets a DWORD under HKEY_CURRENT_USER for the life of the object.
class ScopedUserDword {
 public:
  ScopedUserDword(const char* key, const char* name, DWORD value) : key_(key), name_(name) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    DWORD old = 0, type = 0, size = sizeof old;
    if (RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      previous_ = old;
    }
    set_ = RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
    RegCloseKey(handle);
  }
  ScopedUserDword(const ScopedUserDword&) = delete;
  ScopedUserDword& operator=(const ScopedUserDword&) = delete;
  ~ScopedUserDword() {
    HKEY handle = nullptr;
    if (!set_ || RegOpenKeyExA(HKEY_CURRENT_USER, key_, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
    if (previous_) {
      RegSetValueExA(handle, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*previous_), sizeof(DWORD));
    } else {
      RegDeleteValueA(handle, name_);
    }
    RegCloseKey(handle);
  }
  bool set() const { return set_; }

 private:
  const char* key_;
  const char* name_;
  std::optional<DWORD> previous_;
  bool set_ = false;
};

// Window rectangles in the saver's own pixels, not scaled for a program unaware of DPI.
void BecomeDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const auto set_context = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
  const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (!set_context || !set_context(per_monitor_v2)) SetProcessDPIAware();
}

struct DesignPlace {
  int id;
  RECT place;  // in the 8-pixel frame, at 96 DPI
};

constexpr DesignPlace kDesign[] = {
    {1032, {8, 0, 40, 20}},      {1002, {0, 25, 180, 37}},   {1031, {208, 0, 274, 20}},  {1001, {200, 25, 380, 37}},
    {1022, {300, 0, 373, 17}},   {1034, {8, 70, 38, 90}},    {1004, {0, 95, 180, 107}},  {1033, {208, 70, 288, 90}},
    {1003, {200, 95, 380, 107}}, {1021, {8, 124, 169, 139}}, {1011, {8, 160, 112, 185}}, {1012, {300, 160, 374, 185}},
};

bool Near(LONG actual, int expected) { return actual >= expected - 1 && actual <= expected + 1; }

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

}  // namespace

E2E_CASE(dialog_scales_at_150_percent) {
  BecomeDpiAware();
  constexpr int kDpi = 144;
  e2e::DeleteSettingsKey();
  e2e::SaverProcess saver;
  HWND dialog = nullptr;
  {
    // Only until the saver is up: it took its DPI as it started, and the cases after this one
    // must find the prefix as it was even if this one is cut short.
    ScopedUserDword dpi(kDpiKey, kDpiValue, kDpi);
    E2E_CHECK(dpi.set(), "could not set LogPixels");
    if (!saver.Start(ctx.scr_path, "/c")) {
      ctx.Fail("could not start the saver");
      return;
    }
    dialog = saver.WaitWindow("TForm2", 20000);
  }
  if (!dialog) {
    ctx.Fail("no dialog");
    return;
  }
  RECT client{};
  GetClientRect(dialog, &client);
  E2E_CHECK(Near(client.right, 594) && Near(client.bottom, 302), Describe(client));

  for (const DesignPlace& design : kDesign) {
    HWND control = GetDlgItem(dialog, design.id);
    RECT actual{};
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    const RECT expected{MulDiv(design.place.left + 8, kDpi, 96), MulDiv(design.place.top + 8, kDpi, 96),
                        MulDiv(design.place.right + 8, kDpi, 96), MulDiv(design.place.bottom + 8, kDpi, 96)};
    E2E_CHECK(Near(actual.left, expected.left) && Near(actual.top, expected.top) &&
                  Near(actual.right, expected.right) && Near(actual.bottom, expected.bottom),
              "control " + std::to_string(design.id) + " at " + Describe(actual) + ", expected " + Describe(expected));
  }

  PostMessageA(dialog, WM_CLOSE, 0, 0);
  E2E_CHECK(saver.WaitExit(15000), "the dialog's close did not end the run");
}
