// End-to-end cases of the saver's runs: full screen, preview, exits, first run and failed
// start-ups, against the real program, registry and desktop.
#include <windows.h>

#include <cstdio>
#include <string>
#include <cstdlib>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

// The desktop's own colour, read before the saver starts.
uint32_t g_desktop_rgb = 0;
// Size 12, Algorithm 0 (random cells, so the checked third fills quickly), Transparent 10,
// Fast 33, Color_s 3, then Key_Exit and Rands_Algorithm.
std::vector<DWORD> Settings(bool key_exit) { return {12, 0, 10, 33, 3, key_exit ? 1u : 0u, 0}; }

// Generous bounds: the machine is shared and Wine is slow to start a process.
constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kLeavesTimeout = 30000;
constexpr DWORD kExitTimeout = 20000;

// Has the desktop repainted and waits until the checked third shows its plain colour.
void PrepareDesktop(Context& ctx) {
  RepaintDesktop();
  const bool plain = WaitFor(
      [] {
        Snapshot shot = TakeSnapshot(SampleRect());
        g_desktop_rgb = shot.At(5, 5);
        return CountNear(shot, g_desktop_rgb, 8) > static_cast<int>(shot.pixels.size() * 9 / 10);
      },
      5000, 50);
  if (!plain) ctx.Note("the desktop is not plain");
}

// Starts the saver and waits until its window is up and leaves show in the checked third.
bool StartWithLeaves(Context& ctx, SaverProcess& saver, const std::string& arguments, Snapshot& baseline) {
  PrepareDesktop(ctx);
  baseline = TakeSnapshot(SampleRect());
  if (!saver.Start(ctx.scr_path, arguments)) {
    ctx.Fail("CreateProcess failed for " + ctx.scr_path);
    return false;
  }
  HWND window = saver.WaitWindow("TForm1", kStartTimeout);
  if (!window) {
    ctx.Fail("no saver window within the start bound");
    return false;
  }
  if (WindowText(window) != "Ambervale Screensaver") ctx.Fail("caption is '" + WindowText(window) + "'");
  // The see-through window keeps its design-time place; the composited one covers the screen.
  const RECT expected = CompositedRun() ? RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}
                                        : RECT{459, 281, 459 + 592, 281 + 538};
  RECT rect{};
  GetWindowRect(window, &rect);
  if (!EqualRect(&rect, &expected)) ctx.Fail("the saver window is not where it belongs");
  if (!BringToFront(window)) ctx.Fail("the saver window did not come to the front");
  const bool leaves =
      WaitFor([&] { return CountLeafPixels(baseline, TakeSnapshot(SampleRect())) > 300; }, kLeavesTimeout, 100);
  if (!leaves) ctx.Fail("no leaf-coloured pixels appeared on the desktop");
  return leaves;
}

bool DesktopClean(const Snapshot& baseline) {
  return WaitFor([&] { return CountChanged(baseline, TakeSnapshot(SampleRect())) < 50; }, 15000, 100);
}

// Waits until the saver has painted `changes` more times: each paint comes from a tick, and a
// tick's exit checks run before its paint, so after two paints the cursor position and the
// keys given before the call have been through the exit checks of a whole tick. False at once
// when the saver has ended, which paints nothing more.
bool SawTicks(SaverProcess& saver, int changes = 2) {
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Snapshot last = TakeSnapshot(screen);
  int seen = 0;
  bool ended = false;
  const bool painted = WaitFor(
      [&] {
        if ((ended = !saver.Running())) return true;
        Snapshot now = TakeSnapshot(screen);
        if (CountChanged(last, now, 8) == 0) return false;
        last = std::move(now);
        return ++seen >= changes;
      },
      kLeavesTimeout, 20);
  return painted && !ended;
}

void ExpectEnds(Context& ctx, SaverProcess& saver, const char* trigger) {
  if (!saver.WaitExit(kExitTimeout)) {
    ctx.Fail(std::string("still running after ") + trigger);
    return;
  }
  if (saver.ExitCode() != 0) ctx.Fail("exit code " + std::to_string(saver.ExitCode()));
}

// Waits for the run to end on its own, noting whether a window of `window_class` ("" for any)
// showed on the way.
bool EndsOnItsOwn(SaverProcess& saver, const char* window_class, bool& saw_window) {
  saw_window = false;
  return WaitFor(
      [&] {
        if (saver.FindWindowOfClass(window_class)) saw_window = true;
        return !saver.Running();
      },
      kStartTimeout + kExitTimeout, 10);
}

// Absence of an exit can only be shown by waiting a while: a second, and then a few ticks
// seen to run, however slowly the machine lets them come.
void ExpectStillRunning(Context& ctx, SaverProcess& saver, const std::string& after) {
  Pause(1000);
  if (!SawTicks(saver, 3) && saver.Running()) ctx.Fail("the saver stopped painting after " + after);
  if (!saver.Running()) ctx.Fail("ended after " + after);
}

}  // namespace

E2E_CASE(full_screen_esc_restores_desktop) {
  WriteSettings(Settings(false));
  SaverProcess saver;
  Snapshot baseline;
  if (!StartWithLeaves(ctx, saver, "/s", baseline)) return;
  // Key_Exit off: the space bar and the mouse do nothing.
  PressKey(VK_SPACE);
  MoveCursor(10, 10);
  SawTicks(saver);
  MoveCursor(600, 700);
  ExpectStillRunning(ctx, saver, "the space bar or a mouse jump with Key_Exit off");
  PressKey(VK_ESCAPE);
  ExpectEnds(ctx, saver, "Esc");
  E2E_CHECK(DesktopClean(baseline), "leaves stayed on the desktop after Esc");
}

E2E_CASE(key_exit_any_key_ends) {
  WriteSettings(Settings(true));
  SaverProcess saver;
  Snapshot baseline;
  MoveCursor(200, 200);
  if (!StartWithLeaves(ctx, saver, "/S", baseline)) return;
  PressKey('Q');
  ExpectEnds(ctx, saver, "a key with Key_Exit on");
  E2E_CHECK(DesktopClean(baseline), "leaves stayed on the desktop after the key");
}

E2E_CASE(mouse_jump_of_101_ends) {
  WriteSettings(Settings(true));
  SaverProcess saver;
  Snapshot baseline;
  MoveCursor(200, 200);
  if (!StartWithLeaves(ctx, saver, "-s", baseline)) return;
  // The cursor rests at the start point for a few ticks, so that the jump is measured from it.
  MoveCursor(200, 200);
  SawTicks(saver);
  MoveCursor(301, 200);
  ExpectEnds(ctx, saver, "a 101-pixel cursor jump");
  E2E_CHECK(DesktopClean(baseline), "leaves stayed on the desktop after the mouse exit");
}

E2E_CASE(mouse_jump_of_100_and_slow_drift_do_not_end) {
  WriteSettings(Settings(true));
  SaverProcess saver;
  Snapshot baseline;
  MoveCursor(200, 200);
  if (!StartWithLeaves(ctx, saver, "/s", baseline)) return;
  // Each move is followed by ticks, so that no two of them add up between two ticks.
  MoveCursor(200, 200);
  SawTicks(saver);
  MoveCursor(300, 200);  // exactly 100 along x
  SawTicks(saver);
  MoveCursor(400, 300);  // 100 along x and 100 along y together
  SawTicks(saver);
  // A long, slow drift: 4 pixels at a time, with ticks seen after every 40 pixels at most.
  for (int step = 1; step <= 100; ++step) {
    MoveCursor(400 + 4 * step, 300);
    if (step % 10 == 0) SawTicks(saver);
  }
  ExpectStillRunning(ctx, saver, "small cursor movements");
  PressKey(VK_ESCAPE);
  ExpectEnds(ctx, saver, "Esc");
}

// Moves the cursor `distance` pixels right of (x, y) (left when negative) one step of `step`
// pixels every `step_ms`; true when the machine let the whole movement happen within half as
// long again.
bool SweepCursor(int x, int y, int distance, int step, DWORD step_ms) {
  const int steps = std::abs(distance / step);
  const ULONGLONG start = GetTickCount64();
  for (int i = 1; i <= steps; ++i) {
    Sleep(step_ms);
    SetCursorPos(x + distance * i / steps, y);
  }
  return GetTickCount64() - start <= steps * step_ms * 3 / 2;
}

// At the fastest pace and the default one: a slow drift (100 pixels a second) leaves the
// saver running, a flick (800 pixels in 0.2 s) ends it.
E2E_CASE(mouse_drift_does_not_end_and_flick_ends_fastest_and_default_paces) {
  for (DWORD fast : {50u, 33u}) {
    WriteSettings({12, 0, 10, fast, 3, 1, 0});
    SaverProcess saver;
    Snapshot baseline;
    MoveCursor(100, 300);
    if (!StartWithLeaves(ctx, saver, "/s", baseline)) return;
    SweepCursor(100, 300, 200, 1, 10);
    ExpectStillRunning(ctx, saver, "a slow drift at Fast " + std::to_string(fast));
    // A flick that the machine slowed down proves nothing, and is made again the other way.
    bool ended = false;
    for (int attempt = 0; attempt < 6 && !ended; ++attempt) {
      const bool brisk = SweepCursor(attempt % 2 ? 1000 : 200, 300, attempt % 2 ? -800 : 800, 40, 10);
      ended = saver.WaitExit(brisk ? kExitTimeout : 2000);
      if (brisk) break;
    }
    E2E_CHECK(ended && saver.ExitCode() == 0, "a flick did not end the run at Fast " + std::to_string(fast));
    E2E_CHECK(DesktopClean(baseline), "leaves stayed on the desktop after the flick");
  }
}

// A bitmap file of one blue pixel, which a wallpaper stretches over the desktop.
constexpr unsigned char kBluePixelBitmap[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,  0,  0,  0, 1, 0,
                                              0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,   0,  0,  0, 0, 0,
                                              0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 150, 90, 30, 0};

std::string WallpaperSetting() {
  char path[MAX_PATH] = "";
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
  return path;
}

E2E_CASE(screen_path_run_keeps_the_wallpaper) {
  const std::string wallpaper = ctx.work_dir + "wallpaper.bmp";
  FILE* file = std::fopen(wallpaper.c_str(), "wb");
  if (!file || std::fwrite(kBluePixelBitmap, sizeof kBluePixelBitmap, 1, file) != 1 || std::fclose(file) != 0)
    return ctx.Fail("cannot write " + wallpaper);
  SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(wallpaper.c_str()),
                        SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  const std::string before = WallpaperSetting();
  E2E_CHECK(before == wallpaper, "the prefix took no wallpaper: '" + before + "'");
  WriteSettings(Settings(false));
  SaverProcess saver;
  Snapshot baseline;
  if (StartWithLeaves(ctx, saver, "/s", baseline)) {
    // The close repaints the desktop, as every cycle's end does.
    PressKey(VK_ESCAPE);
    ExpectEnds(ctx, saver, "Esc");
    E2E_CHECK(DesktopClean(baseline), "the desktop changed after the run");
  }
  E2E_CHECK(WallpaperSetting() == before, "the wallpaper is now '" + WallpaperSetting() + "'");
  SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

E2E_CASE(first_run_writes_defaults) {
  DeleteSettingsKey();
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
  HWND window = saver.WaitWindow("TForm1", kStartTimeout);
  E2E_CHECK(window != nullptr, "no saver window");
  const DWORD expected[7] = {12, 10, 8, 33, 3, 1, 1};
  for (int i = 0; i < 7; ++i) {
    DWORD type = 0, value = 0;
    const bool read = ReadSettingsValue(kSettingNames[i], type, value);
    E2E_CHECK(read, std::string("missing value ") + kSettingNames[i]);
    E2E_CHECK(type == REG_DWORD, std::string("type of ") + kSettingNames[i]);
    E2E_CHECK(value == expected[i], std::string(kSettingNames[i]) + " = " + std::to_string(value));
  }
  if (window && !BringToFront(window)) ctx.Fail("the saver window did not come to the front");
  PressKey(VK_ESCAPE);
  ExpectEnds(ctx, saver, "Esc");
}

E2E_CASE(empty_settings_key_reports_missing_size) {
  CreateEmptySettingsKey();
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
  HWND box = WaitMessageBox(saver.Id(), kStartTimeout);
  if (!box) return ctx.Fail("no message box");
  E2E_CHECK(MessageBoxText(box) == "Failed to get data for 'Size'", "text: " + MessageBoxText(box));
  E2E_CHECK(WindowText(box) == "Ambervale Screensaver", "caption: " + WindowText(box));
  DismissMessageBox(box);
  ExpectEnds(ctx, saver, "the message was dismissed");
  DeleteSettingsKey();
}

E2E_CASE(preview_bad_handle_reports_and_ends) {
  WriteSettings(Settings(true));
  for (const char* arguments : {"/p abc", "/p"}) {
    const std::string text =
        std::string(arguments) == "/p abc" ? "'abc' is not a valid integer value." : "'' is not a valid integer value.";
    PrepareDesktop(ctx);
    Snapshot baseline = TakeSnapshot(SampleRect());
    SaverProcess saver;
    if (!saver.Start(ctx.scr_path, arguments)) return ctx.Fail("CreateProcess failed");
    HWND box = WaitMessageBox(saver.Id(), kStartTimeout);
    if (!box) return ctx.Fail(std::string("no message box for ") + arguments);
    E2E_CHECK(MessageBoxText(box) == text, "text: " + MessageBoxText(box));
    E2E_CHECK(WindowText(box) == "Ambervale Screensaver", "caption: " + WindowText(box));
    DismissMessageBox(box);
    ExpectEnds(ctx, saver, "the message was dismissed");
    E2E_CHECK(CountChanged(baseline, TakeSnapshot(SampleRect())) < 50, "something was painted");
  }
}

E2E_CASE(mode_a_ends_without_a_window) {
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/a 1234")) return ctx.Fail("CreateProcess failed");
  bool saw_window = false;
  const bool ended = EndsOnItsOwn(saver, "", saw_window);
  E2E_CHECK(ended, "still running");
  E2E_CHECK(!saw_window, "a window was shown");
  E2E_CHECK(saver.ExitCode() == 0, "exit code " + std::to_string(saver.ExitCode()));
}

namespace {

// The host's preview window: painted magenta once, then left alone, so whatever the saver
// draws into it stays.
LRESULT CALLBACK PreviewHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  static bool painted = false;
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (!painted) {
        HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        painted = true;
      }
      EndPaint(window, &paint);
      return 0;
    }
    default: return DefWindowProcA(window, message, wparam, lparam);
  }
}

}  // namespace

E2E_CASE(preview_paints_inside_host_window_and_ends_on_deactivation) {
  WriteSettings(Settings(true));
  PrepareDesktop(ctx);
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = PreviewHostProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "AmbervalePreviewHost";
  RegisterClassA(&window_class);
  const RECT host_rect{60, 420, 60 + 152, 420 + 112};
  HWND host = CreateWindowExA(0, "AmbervalePreviewHost", "Preview", WS_POPUP | WS_VISIBLE, host_rect.left,
                              host_rect.top, 152, 112, nullptr, nullptr, window_class.hInstance, nullptr);
  if (!host) return ctx.Fail("no host window");
  const bool magenta =
      WaitFor([&] { return CountNear(TakeSnapshot(host_rect), 0xFF00FF, 8) > 152 * 112 * 9 / 10; }, 5000, 50);
  E2E_CHECK(magenta, "the host window did not paint itself");
  const RECT above{0, 0, 340, 400};
  Snapshot outside = TakeSnapshot(above);

  SaverProcess saver;
  const std::string handle = std::to_string(reinterpret_cast<intptr_t>(host));
  if (!saver.Start(ctx.scr_path, "/p " + handle)) return ctx.Fail("CreateProcess failed");
  // First the whole desktop, shrunk into the window: mostly the desktop's colour.
  Snapshot first;
  const bool restored = WaitFor(
      [&] {
        first = TakeSnapshot(host_rect);
        return CountNear(first, 0xFF00FF, 8) < 152 * 112 / 5;
      },
      kStartTimeout, 20);
  E2E_CHECK(restored, "the desktop picture was not drawn into the host window");
  if (restored) E2E_CHECK(CountNear(first, g_desktop_rgb, 30) > 152 * 112 / 2, "the first picture is not the desktop");
  const bool leaves = WaitFor([&] { return CountLeafPixels(first, TakeSnapshot(host_rect)) > 30; }, kLeavesTimeout, 50);
  E2E_CHECK(leaves, "no leaves in the host window");
  E2E_CHECK(CountChanged(outside, TakeSnapshot(above)) < 20, "the preview painted outside its window");
  E2E_CHECK(saver.Running(), "the preview ended early");

  BringToFront(host);
  ExpectEnds(ctx, saver, "another window was activated");
  DestroyWindow(host);
}

E2E_CASE(no_argument_runs_full_screen) {
  WriteSettings(Settings(false));
  SaverProcess saver;
  Snapshot baseline;
  if (!StartWithLeaves(ctx, saver, "", baseline)) return;
  PressKey(VK_ESCAPE);
  ExpectEnds(ctx, saver, "Esc");
}

E2E_CASE(preview_handle_of_no_window_ends_quietly) {
  WriteSettings(Settings(true));
  PrepareDesktop(ctx);
  Snapshot baseline = TakeSnapshot(SampleRect());
  // A handle that named a window a moment ago and names none now.
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const std::string handle = std::to_string(reinterpret_cast<intptr_t>(gone));
  DestroyWindow(gone);
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/p " + handle)) return ctx.Fail("CreateProcess failed");
  bool saw_box = false;
  const bool ended = EndsOnItsOwn(saver, "#32770", saw_box);
  E2E_CHECK(ended, "still running");
  E2E_CHECK(!saw_box, "a message was shown");
  E2E_CHECK(CountChanged(baseline, TakeSnapshot(SampleRect())) < 50, "something was painted");
}
