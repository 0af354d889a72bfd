// End-to-end cases in hostile surroundings: preview hosts that vanish or have no size, very
// large and very small desktops, two savers at once, and settings stored with the wrong type
// or size. Each ends with no crash, no saver process left and the message where one is due.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kPaintTimeout = 30000;
constexpr DWORD kExitTimeout = 20000;
constexpr char kSaverClass[] = "TForm1";
constexpr char kDialogClass[] = "TForm2";
constexpr int kSaveButton = 1011;
constexpr int kCloseButton = 1012;

// Size 12, Algorithm 1 (the plain grid, which starts at the top-left cell whatever the
// desktop's size), Transparent 10, Fast 33, Color_s 3, Key_Exit off, Random off.
const std::vector<DWORD> kPlainGrid = {12, 1, 10, 33, 3, 0, 0};
const DWORD kDefaults[7] = {12, 10, 8, 33, 3, 1, 1};

RECT ScreenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// Every Ambervale.scr process of this Wine prefix, however it was started.
int SaverProcessesLeft() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, "Ambervale.scr") == 0) ++count;
  CloseHandle(snapshot);
  return count;
}

void ExpectNothingLeft(Context& ctx, const std::string& after) {
  const bool none = WaitFor([] { return SaverProcessesLeft() == 0; }, kExitTimeout);
  E2E_CHECK(none, "a saver process is left after " + after);
}

// Waits for the run to end by itself, with no message on the way. With `keep_active`, that
// window is given the activation again whenever the saver took it back: the saver activates
// itself once, as the last step of its start-up, which may come after the test's activation.
void ExpectQuietEnd(Context& ctx, SaverProcess& saver, const std::string& after, HWND keep_active = nullptr) {
  bool saw_box = false;
  const bool ended = WaitFor(
      [&] {
        if (keep_active && GetForegroundWindow() != keep_active) SetForegroundWindow(keep_active);
        if (WaitMessageBox(saver.Id(), 0)) saw_box = true;
        return !saver.Running();
      },
      kExitTimeout, 10);
  E2E_CHECK(ended, "still running after " + after);
  E2E_CHECK(!saw_box, "a message was shown after " + after);
  if (ended) E2E_CHECK(saver.ExitCode() == 0, "exit code " + std::to_string(saver.ExitCode()) + " after " + after);
}

// A preview host as the screensaver settings page has one: a captionless window that, once
// filled with a colour of its own, leaves its pixels to whoever draws into it.
class PreviewHost {
 public:
  PreviewHost(const RECT& rect, COLORREF fill) : rect_(rect) {
    static const bool registered = [] {
      WNDCLASSA window_class{};
      window_class.lpfnWndProc = DefWindowProcA;
      window_class.hInstance = GetModuleHandleA(nullptr);
      window_class.lpszClassName = "AmbervaleHostileHost";
      return RegisterClassA(&window_class) != 0;
    }();
    (void)registered;
    window_ = CreateWindowExA(0, "AmbervaleHostileHost", "", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!window_) return;
    ValidateRect(window_, nullptr);
    HDC dc = GetDC(window_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT client{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(window_, dc);
  }
  PreviewHost(const PreviewHost&) = delete;
  PreviewHost& operator=(const PreviewHost&) = delete;
  ~PreviewHost() { Destroy(); }
  void Destroy() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
  }
  HWND window() const { return window_; }
  const RECT& rect() const { return rect_; }
  std::string HandleText() const { return std::to_string(reinterpret_cast<intptr_t>(window_)); }

 private:
  RECT rect_;
  HWND window_ = nullptr;
};

// A plain window to hand the activation to, as the settings page does when the user clicks it.
class OtherWindow {
 public:
  OtherWindow() {
    window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
  }
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  ~OtherWindow() {
    if (window_) DestroyWindow(window_);
  }
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// The saver takes the activation as the last step of its start-up: only a window activated
// after that takes it away.
bool WaitSaverActive(SaverProcess& saver) {
  return WaitFor(
      [&] {
        HWND window = saver.FindWindowOfClass(kSaverClass);
        return window && GetForegroundWindow() == window;
      },
      kStartTimeout);
}

// Starts a preview in `host` and waits until the desktop picture covers the host's fill.
bool StartPreviewIn(Context& ctx, SaverProcess& saver, const PreviewHost& host, COLORREF fill) {
  if (!saver.Start(ctx.scr_path, "/p " + host.HandleText())) {
    ctx.Fail("CreateProcess failed");
    return false;
  }
  const RECT& rect = host.rect();
  const int area = (rect.right - rect.left) * (rect.bottom - rect.top);
  const uint32_t fill_rgb = GetRValue(fill) << 16 | GetGValue(fill) << 8 | GetBValue(fill);
  const bool drawn = WaitFor([&] { return CountNear(TakeSnapshot(rect), fill_rgb, 8) < area / 5; }, kPaintTimeout, 50);
  E2E_CHECK(drawn, "the preview drew nothing into its host");
  return drawn;
}

// A full-screen run, its first leaves in the top-left corner, then Esc.
void FullScreenRunShowsLeaves(Context& ctx, const RECT& corner, const std::string& what) {
  WriteSettings(kPlainGrid);
  RepaintDesktop();
  const Snapshot before = TakeSnapshot(corner);
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
  HWND window = saver.WaitWindow(kSaverClass, kStartTimeout);
  if (!window) return ctx.Fail("no saver window on " + what);
  const bool leaves = WaitFor([&] { return CountLeafPixels(before, TakeSnapshot(corner)) > 100; }, kPaintTimeout, 100);
  E2E_CHECK(leaves, "no leaves in the top-left corner of " + what);
  E2E_CHECK(WaitMessageBox(saver.Id(), 0) == nullptr, "a message on " + what);
  E2E_CHECK(BringToFront(window, kStartTimeout), "the saver window did not come to the front on " + what);
  PressKey(VK_ESCAPE);
  E2E_CHECK(saver.WaitExit(kExitTimeout), "Esc did not end the run on " + what);
}

// A full-screen run and a preview on the desktop the case was started with.
void RunsOnThisDesktop(Context& ctx) {
  const RECT screen = ScreenRect();
  const std::string what = "a desktop of " + std::to_string(screen.right) + "x" + std::to_string(screen.bottom);
  FullScreenRunShowsLeaves(ctx, RECT{0, 0, std::min<LONG>(200, screen.right), std::min<LONG>(200, screen.bottom)},
                           what);
  // The preview captures the whole desktop, however large, and shrinks it into its host.
  const COLORREF fill = RGB(255, 0, 255);
  PreviewHost host(RECT{20, 240, 20 + 152, 240 + 112}, fill);
  SaverProcess saver;
  if (StartPreviewIn(ctx, saver, host, fill)) {
    E2E_CHECK(WaitSaverActive(saver), "the preview did not take the activation on " + what);
    E2E_CHECK(saver.Running(), "the preview ended early on " + what);
    OtherWindow other;
    ExpectQuietEnd(ctx, saver, "the preview lost the activation on " + what, other.window());
  }
  ExpectNothingLeft(ctx, what);
}

// Stores one value with the given type and bytes, the six others as REG_DWORD.
void StoreWithBadValue(int index, DWORD type, const void* data, DWORD size) {
  WriteSettings(kPlainGrid);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ambervale", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, kSettingNames[index], 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

struct BadValue {
  const char* what;
  DWORD type;
  std::vector<BYTE> data;
  // The load reads at most four bytes: a longer value cannot be read at all, a shorter one
  // is read and then refused for its type.
  bool Fits() const { return data.size() <= 4; }
};

std::vector<BadValue> BadValues() {
  std::vector<BadValue> values;
  values.push_back({"a REG_SZ of 2 characters", REG_SZ, {'1', '2', 0}});
  values.push_back({"a REG_SZ of 4 characters", REG_SZ, {'1', '2', '3', '4', 0}});
  for (BYTE size = 1; size <= 8; ++size)
    values.push_back({nullptr, REG_BINARY, std::vector<BYTE>(size, static_cast<BYTE>(size))});
  values.push_back({"a REG_QWORD", REG_QWORD, {12, 0, 0, 0, 0, 0, 0, 0}});
  return values;
}

std::string Describe(const BadValue& value) {
  return value.what ? value.what : "a REG_BINARY of " + std::to_string(value.data.size()) + " bytes";
}

std::string ExpectedMessage(const BadValue& value, const char* name) {
  return std::string(value.Fits() ? "Invalid data type for '" : "Failed to get data for '") + name + "'";
}

// Waits for the saver's settings message, checks its text and dismisses it.
void ExpectSettingsMessage(Context& ctx, SaverProcess& saver, const std::string& expected, const std::string& what) {
  HWND box = WaitMessageBox(saver.Id(), kStartTimeout);
  if (!box) return ctx.Fail("no message for " + what);
  E2E_CHECK(MessageBoxText(box) == expected, what + ": the message is \"" + MessageBoxText(box) + "\"");
  E2E_CHECK(WindowText(box) == "Ambervale Screensaver", what + ": caption " + WindowText(box));
  DismissMessageBox(box);
}

bool KeyIsWhole() {
  for (const char* name : kSettingNames) {
    DWORD type = 0, value = 0;
    if (!ReadSettingsValue(name, type, value) || type != REG_DWORD) return false;
  }
  return true;
}

}  // namespace

E2E_CASE(preview_host_destroyed_while_running_ends_quietly) {
  WriteSettings(kPlainGrid);
  const COLORREF fill = RGB(255, 0, 255);
  PreviewHost host(RECT{60, 420, 60 + 152, 420 + 112}, fill);
  SaverProcess saver;
  if (!StartPreviewIn(ctx, saver, host, fill)) return;
  host.Destroy();
  ExpectQuietEnd(ctx, saver, "its host window was destroyed");
  ExpectNothingLeft(ctx, "the host window was destroyed");
}

E2E_CASE(preview_hosts_of_1x1_and_0x0) {
  WriteSettings(kPlainGrid);
  for (int size : {1, 0}) {
    const std::string what = "a " + std::to_string(size) + "x" + std::to_string(size) + " host";
    PreviewHost host(RECT{60, 420, 60 + size, 420 + size}, RGB(255, 0, 255));
    SaverProcess saver;
    if (!saver.Start(ctx.scr_path, "/p " + host.HandleText())) return ctx.Fail("CreateProcess failed");
    E2E_CHECK(WaitSaverActive(saver), "no active saver window for " + what);
    // Ticks of a preview with nowhere to paint: let a few dozen of them run.
    Pause(1000);
    E2E_CHECK(saver.Running(), "the preview in " + what + " ended by itself");
    E2E_CHECK(WaitMessageBox(saver.Id(), 0) == nullptr, "a message for " + what);
    OtherWindow other;
    ExpectQuietEnd(ctx, saver, "the preview in " + what + " lost the activation", other.window());
  }
  ExpectNothingLeft(ctx, "the tiny previews");
}

E2E_CASE(desktop_of_7680x4320) { RunsOnThisDesktop(ctx); }

E2E_CASE(desktop_of_640x480) { RunsOnThisDesktop(ctx); }

E2E_CASE(two_savers_at_once_with_one_settings_key) {
  // With the key in place both run; started on a first run, both write the defaults, and
  // neither may find the key half written by the other.
  for (bool first_run : {false, true}) {
    const std::string what = first_run ? "two first runs" : "two runs";
    if (first_run)
      DeleteSettingsKey();
    else
      WriteSettings(kPlainGrid);
    SaverProcess savers[2];
    for (SaverProcess& saver : savers)
      if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
    for (SaverProcess& saver : savers) {
      HWND box = nullptr;
      WaitFor([&] { return saver.FindWindowOfClass(kSaverClass) || (box = WaitMessageBox(saver.Id(), 0)); },
              kStartTimeout);
      if (!box) continue;
      ctx.Fail(what + ": message \"" + MessageBoxText(box) + "\"");
      DismissMessageBox(box);
      E2E_CHECK(saver.WaitExit(kExitTimeout), what + ": a saver did not end after its message");
    }
    // Both take the activation as they start, so Esc ends whichever has it last: one at a time.
    auto running = [&] { return static_cast<int>(savers[0].Running()) + static_cast<int>(savers[1].Running()); };
    for (int left = running(); left > 0; left = running()) {
      HWND window =
          savers[0].Running() ? savers[0].FindWindowOfClass(kSaverClass) : savers[1].FindWindowOfClass(kSaverClass);
      if (!window) {
        ctx.Fail(what + ": a running saver shows no window");
        break;
      }
      // The other saver may still take the activation after ours came to the front, and a
      // key then lands before either is ready: press again until one ends, within the bound.
      const bool ended = WaitFor(
          [&] {
            BringToFront(window, 2000);
            PressKey(VK_ESCAPE);
            return WaitFor([&] { return running() < left; }, 2000);
          },
          kExitTimeout);
      if (!ended) {
        ctx.Fail(what + ": Esc ended no saver");
        break;
      }
    }
    E2E_CHECK(KeyIsWhole(), what + ": the settings key is not whole");
    if (first_run) {
      for (int i = 0; i < 7; ++i) {
        DWORD type = 0, value = 0;
        ReadSettingsValue(kSettingNames[i], type, value);
        E2E_CHECK(value == kDefaults[i], what + ": " + kSettingNames[i] + " = " + std::to_string(value));
      }
    }
  }
  ExpectNothingLeft(ctx, "two savers");
}

// Each value stored in turn with another type or size, before a full-screen run: the message
// names the value, and the run ends once it is read. The eleven kinds of bad value go round
// the seven names, so that every kind and every name is met.
E2E_CASE(settings_of_another_type_before_a_full_screen_run) {
  const std::vector<BadValue> bad = BadValues();
  for (int i = 0; i < 7; ++i) {
    for (const BadValue& value : {bad[i], bad[(i + 7) % bad.size()]}) {
      const std::string what = std::string(kSettingNames[i]) + " as " + Describe(value);
      StoreWithBadValue(i, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
      SaverProcess saver;
      if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
      ExpectSettingsMessage(ctx, saver, ExpectedMessage(value, kSettingNames[i]), what);
      E2E_CHECK(saver.WaitExit(kExitTimeout), what + ": the run did not end after its message");
      if (!saver.Running()) E2E_CHECK(saver.ExitCode() == 0, what + ": exit code " + std::to_string(saver.ExitCode()));
    }
  }
  ExpectNothingLeft(ctx, "the settings messages");
}

// The same before the settings dialog opens: after the message the dialog opens all the same,
// and "Save Settings" writes all seven values back as they should be.
E2E_CASE(settings_of_another_type_repaired_by_the_dialog) {
  const std::vector<BadValue> bad = BadValues();
  for (int i = 0; i < 7; ++i) {
    const BadValue& value = bad[(i + 4) % bad.size()];
    const std::string what = std::string(kSettingNames[i]) + " as " + Describe(value);
    StoreWithBadValue(i, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    SaverProcess saver;
    if (!saver.Start(ctx.scr_path, "/c")) return ctx.Fail("CreateProcess failed");
    ExpectSettingsMessage(ctx, saver, ExpectedMessage(value, kSettingNames[i]), what);
    HWND dialog = saver.WaitWindow(kDialogClass, kStartTimeout);
    if (!dialog) {
      ctx.Fail(what + ": no dialog after the message");
      continue;
    }
    PostMessageA(GetDlgItem(dialog, kSaveButton), BM_CLICK, 0, 0);
    E2E_CHECK(WaitFor(KeyIsWhole, kExitTimeout), what + ": \"Save Settings\" did not repair the key");
    // The values before the bad one were read and are kept.
    for (int before = 0; before < i; ++before) {
      DWORD type = 0, stored = 0;
      ReadSettingsValue(kSettingNames[before], type, stored);
      E2E_CHECK(stored == kPlainGrid[before], what + ": " + kSettingNames[before] + " = " + std::to_string(stored));
    }
    PostMessageA(GetDlgItem(dialog, kCloseButton), BM_CLICK, 0, 0);
    E2E_CHECK(saver.WaitExit(kExitTimeout), what + ": \"Close\" did not end the program");
    if (!saver.Running()) E2E_CHECK(saver.ExitCode() == 0, what + ": exit code " + std::to_string(saver.ExitCode()));
  }
  ExpectNothingLeft(ctx, "the repairs");
}
