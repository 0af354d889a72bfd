// End-to-end cases of the composited drawing path, forced on (Wine reports desktop
// composition off): the saver's own window over a picture of the desktop, the wallpaper and
// desktop-colour pictures of a blank capture, and the preview's child window.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

constexpr DWORD kStartTimeout = 20000;
constexpr DWORD kExitTimeout = 10000;
constexpr RECT kScreen{0, 0, 1024, 768};
constexpr int kScreenPixels = 1024 * 768;
constexpr RECT kPatternPlace{40, 60, 360, 330};

// The switches reach the saver through the environment it inherits.
void ForceComposited(bool blank_capture) {
  SetEnvironmentVariableA("AMBERVALE_DRAWING", "composited");
  SetEnvironmentVariableA("AMBERVALE_DESKTOP_CAPTURE", blank_capture ? "blank" : nullptr);
}

// A window of stripes on the desktop, so that the desktop is more than one colour; the
// stripes take new colours on demand.
COLORREF g_stripes[2] = {RGB(20, 120, 200), RGB(240, 240, 240)};

LRESULT CALLBACK PatternProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  for (int x = 0; x < client.right; x += 16) {
    RECT stripe{x, 0, x + 16, client.bottom};
    HBRUSH brush = CreateSolidBrush(g_stripes[(x / 16) % 2]);
    FillRect(dc, &stripe, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &paint);
  return 0;
}

// A window of the driver's own, of a class made for it, shown at once.
HWND ShowWindowOfClass(const char* class_name, WNDPROC procedure, DWORD style, const RECT& place) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);
  HWND window =
      CreateWindowExA(0, class_name, class_name, style | WS_VISIBLE, place.left, place.top, place.right - place.left,
                      place.bottom - place.top, nullptr, nullptr, window_class.hInstance, nullptr);
  UpdateWindow(window);
  return window;
}

HWND ShowPatternWindow() { return ShowWindowOfClass("AmbervalePattern", PatternProc, WS_POPUP, kPatternPlace); }

// The screen once it has stopped changing (two equal snapshots in a row).
Snapshot SettledScreen() {
  Snapshot last = TakeSnapshot(kScreen);
  WaitFor(
      [&] {
        Snapshot now = TakeSnapshot(kScreen);
        const bool same = now.pixels == last.pixels;
        last = std::move(now);
        return same;
      },
      5000, 100);
  return last;
}

bool StartComposited(Context& ctx, SaverProcess& saver, const std::string& arguments, HWND& window) {
  if (!saver.Start(ctx.scr_path, arguments)) {
    ctx.Fail("CreateProcess failed for " + ctx.scr_path);
    return false;
  }
  window = saver.WaitWindow("TForm1", kStartTimeout);
  if (!window) ctx.Fail("no saver window within the start bound");
  return window != nullptr;
}

void EndWithEsc(Context& ctx, SaverProcess& saver, HWND window) {
  if (!BringToFront(window)) ctx.Fail("the saver window did not come to the front");
  PressKey(VK_ESCAPE);
  if (!saver.WaitExit(kExitTimeout)) return ctx.Fail("still running after Esc");
  E2E_CHECK(saver.ExitCode() == 0, "exit code " + std::to_string(saver.ExitCode()));
}

// The share of a rectangle's pixels within `tolerance` of a colour, at least `percent`.
bool MostlyColour(const RECT& rect, uint32_t rgb, int percent, int tolerance = 12) {
  const Snapshot shot = TakeSnapshot(rect);
  return CountNear(shot, rgb, tolerance) * 100 >= static_cast<int>(shot.pixels.size()) * percent;
}

}  // namespace

E2E_CASE(composited_window_shows_the_desktop_restores_it_and_leaves_it_live) {
  ForceComposited(false);
  // Size 20 (ten columns) at the fastest pace, Random off: a whole cycle in a few seconds.
  WriteSettings({20, 0, 10, 50, 3, 0, 0});
  HWND pattern = ShowPatternWindow();
  RepaintDesktop();
  const Snapshot baseline = SettledScreen();
  const RECT right_of_pattern{400, 0, 1024, 768};
  const Snapshot baseline_right = TakeSnapshot(right_of_pattern);

  const SaverFacts facts(ctx);
  SaverProcess saver;
  HWND window = nullptr;
  if (!StartComposited(ctx, saver, "/s", window)) return;
  RECT rect{};
  GetWindowRect(window, &rect);
  E2E_CHECK(EqualRect(&rect, &kScreen), "the saver window does not cover the screen");
  E2E_CHECK((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0, "the saver window is see-through");

  // Leaves cover a good part of the picture (a cycle covers about a third), and once a cycle
  // has ended (the saver's fact) every pixel shows the desktop's, exactly, at some moment: the
  // picture that a restore brings back is the desktop.
  int most_changed = 0;
  std::vector<bool> shows_desktop(baseline.pixels.size(), false);
  WaitFor(
      [&] {
        const Snapshot now = TakeSnapshot(kScreen);
        most_changed = std::max(most_changed, CountChanged(baseline, now, 0));
        if (facts.Count(RestoreFact(kScreen)) == 0) return false;
        MarkUnchanged(baseline, now, shows_desktop, 0);
        return most_changed > kScreenPixels / 4 && AllSet(shows_desktop);
      },
      60000, 1);
  E2E_CHECK(most_changed > kScreenPixels / 4, "the leaves never covered a quarter of the screen");
  E2E_CHECK(facts.Count(RestoreFact(kScreen)) > 0, "no cycle ended");
  E2E_CHECK(AllSet(shows_desktop), std::to_string(std::count(shows_desktop.begin(), shows_desktop.end(), false)) +
                                       " pixels never showed the desktop's picture after a cycle ended");

  // The desktop lives on beneath the saver's window, and shows as it is now once it goes.
  g_stripes[0] = RGB(250, 90, 0);
  g_stripes[1] = RGB(0, 0, 120);
  InvalidateRect(pattern, nullptr, TRUE);
  EndWithEsc(ctx, saver, window);
  const RECT stripes{kPatternPlace.left, kPatternPlace.top, kPatternPlace.left + 32, kPatternPlace.bottom};
  const bool live = WaitFor(
      [&] {
        return MostlyColour(stripes, 0xFA5A00, 45, 4) && MostlyColour(stripes, 0x000078, 45, 4) &&
               CountChanged(baseline_right, TakeSnapshot(right_of_pattern), 4) < 50;
      },
      5000, 100);
  E2E_CHECK(live, "after Esc the screen does not show the live desktop");
  DestroyWindow(pattern);
}

namespace {

// A 256 x 192 BMP of four one-colour quadrants (0x00RRGGBB: top left, top right, bottom left,
// bottom right).
bool WriteQuadrantBitmap(const std::string& path, const uint32_t (&colours)[4]) {
  constexpr int kWidth = 256, kHeight = 192;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = kWidth;
  info.biHeight = kHeight;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  std::vector<uint8_t> rows(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool top = y >= kHeight / 2;  // rows run from the bottom
      const uint32_t rgb = colours[(top ? 0 : 2) + (x >= kWidth / 2 ? 1 : 0)];
      uint8_t* p = &rows[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                       std::fwrite(rows.data(), rows.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}

// HKCU\Control Panel\Desktop\Wallpaper for the case's duration; the value it had comes back
// (or goes again) at the end, so no later case sees the picture on its desktop.
class WallpaperValue {
 public:
  WallpaperValue() {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    char old[1024] = {};
    DWORD size = sizeof old - 1;
    had_value_ = key_ && RegQueryValueExA(key_, "Wallpaper", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
                             ERROR_SUCCESS;
    if (had_value_) old_ = old;
  }
  WallpaperValue(const WallpaperValue&) = delete;
  WallpaperValue& operator=(const WallpaperValue&) = delete;
  ~WallpaperValue() {
    if (had_value_)
      Set(old_);
    else
      Remove();
    if (key_) RegCloseKey(key_);
  }
  void Set(const std::string& path) {
    if (key_)
      RegSetValueExA(key_, "Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>(path.size() + 1));
  }
  void Remove() {
    if (key_) RegDeleteValueA(key_, "Wallpaper");
  }

 private:
  HKEY key_ = nullptr;
  bool had_value_ = false;
  std::string old_;
};

}  // namespace

E2E_CASE(composited_blank_capture_shows_the_wallpaper_else_the_desktop_colour) {
  ForceComposited(true);
  // The slowest pace: few leaves while the background is read.
  WriteSettings({12, 0, 10, 0, 3, 0, 0});
  HWND pattern = ShowPatternWindow();  // a capture would show it; the pictures below must not
  const uint32_t quadrants[4] = {0x1E3CC8, 0x28AA3C, 0xE6DC28, 0x782896};
  const std::string picture = ctx.work_dir + "wallpaper.bmp";
  if (!WriteQuadrantBitmap(picture, quadrants)) return ctx.Fail("cannot write " + picture);
  WallpaperValue wallpaper;
  wallpaper.Set(picture);

  {
    SaverProcess saver;
    HWND window = nullptr;
    if (!StartComposited(ctx, saver, "/s", window)) return;
    // The 4:3 picture fills the 4:3 screen: each quadrant of the screen, away from the
    // edges where the filter blends two colours, is its quadrant's colour.
    const RECT parts[4] = {{40, 40, 472, 344}, {552, 40, 984, 344}, {40, 424, 472, 728}, {552, 424, 984, 728}};
    const bool shown = WaitFor(
        [&] {
          for (int i = 0; i < 4; ++i)
            if (!MostlyColour(parts[i], quadrants[i], 70)) return false;
          return true;
        },
        kStartTimeout, 50);
    E2E_CHECK(shown, "the wallpaper is not the background");
    EndWithEsc(ctx, saver, window);
  }

  wallpaper.Remove();
  {
    SaverProcess saver;
    HWND window = nullptr;
    if (!StartComposited(ctx, saver, "/s", window)) return;
    const uint32_t colour = GetSysColor(COLOR_DESKTOP);
    const uint32_t rgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    const bool shown =
        WaitFor([&] { return MostlyColour(kScreen, rgb, 85, 4) && MostlyColour(kPatternPlace, rgb, 70, 4); },
                kStartTimeout, 50);
    E2E_CHECK(shown, "the desktop colour is not the background");
    EndWithEsc(ctx, saver, window);
  }
  DeleteFileA(picture.c_str());
  DestroyWindow(pattern);
}

namespace {

// A captioned preview host that paints all of itself magenta on every WM_PAINT, as hosts may;
// under Wine it is also repainted when it loses the activation.
void PaintHost(HWND host, HDC dc) {
  RECT client;
  GetClientRect(host, &client);
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
}

LRESULT CALLBACK RepaintingHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
  PAINTSTRUCT paint;
  PaintHost(window, BeginPaint(window, &paint));
  EndPaint(window, &paint);
  return 0;
}

RECT ClientOnScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

}  // namespace

E2E_CASE(composited_preview_keeps_its_picture_when_the_host_repaints) {
  ForceComposited(false);
  WriteSettings({12, 0, 10, 33, 3, 1, 0});
  RepaintDesktop();
  const Snapshot desktop = SettledScreen();
  const uint32_t desktop_rgb = desktop.At(5, 5);

  HWND host =
      ShowWindowOfClass("AmbervaleRepaintingHost", RepaintingHostProc, WS_OVERLAPPEDWINDOW, RECT{60, 380, 300, 580});
  if (!host) return ctx.Fail("no host window");
  const RECT inner = ClientOnScreen(host);
  const int inner_pixels = (inner.right - inner.left) * (inner.bottom - inner.top);
  E2E_CHECK(WaitFor([&] { return MostlyColour(inner, 0xFF00FF, 90, 8); }, 5000, 50), "the host did not paint itself");

  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/p " + std::to_string(reinterpret_cast<intptr_t>(host))))
    return ctx.Fail("CreateProcess failed");
  // The whole desktop shrunk into the host, mostly the desktop's colour, then leaves over it;
  // the host lost the activation to the saver meanwhile and repainted itself.
  auto shows_desktop = [&] {
    const Snapshot shot = TakeSnapshot(inner);
    return CountNear(shot, 0xFF00FF, 8) < inner_pixels / 10 && CountNear(shot, desktop_rgb, 30) > inner_pixels / 2;
  };
  E2E_CHECK(WaitFor(shows_desktop, kStartTimeout, 20), "the desktop picture is not in the host window");
  const Snapshot first = TakeSnapshot(inner);
  E2E_CHECK(WaitFor([&] { return CountLeafPixels(first, TakeSnapshot(inner)) > 30; }, 20000, 50),
            "no leaves in the host window");

  // The host paints all of itself again, over the child window too (as a host without
  // WS_CLIPCHILDREN does): the picture comes back.
  HDC host_dc = GetDC(host);
  PaintHost(host, host_dc);
  ReleaseDC(host, host_dc);
  E2E_CHECK(WaitFor(shows_desktop, 5000, 20), "the picture did not come back after the host repainted");
  E2E_CHECK(saver.Running(), "the preview ended early");

  BringToFront(host);
  if (!saver.WaitExit(kExitTimeout)) ctx.Fail("still running after the host was activated");
  DestroyWindow(host);
}
