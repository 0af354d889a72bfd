// Times one tick's drawing on both paths on the screen it runs on (scripts/measure-drawing.sh
// runs it in a Wine virtual desktop of the size to measure): the composited path's blend into
// the back buffer and present of the changed cell, a cycle's full restore, and the screen
// path's GDI+ draw on the screen's device context. Writes its figures to the file named by
// its one argument. Not a test: nothing here passes or fails.
#include <windows.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "surfaces/memory_surfaces.h"
#include "win32/composited_window.h"
#include "win32/desktop_picture.h"
#include "win32/gdiplus_objects.h"

using namespace ambervale;

namespace {

constexpr int kTicks = 400;
constexpr int kRestores = 10;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Figures {
  std::vector<double> micros;
  void Add(double seconds) { micros.push_back(seconds * 1e6); }
  double Median() {
    std::sort(micros.begin(), micros.end());
    return micros.empty() ? 0 : micros[micros.size() / 2];
  }
  double Mean() const {
    double sum = 0;
    for (double m : micros) sum += m;
    return micros.empty() ? 0 : sum / static_cast<double>(micros.size());
  }
};

// A 100 x 100 leaf-like sprite: an opaque-ish disc of alpha 80 on a keyed-out background.
template <typename Bitmap>
void PaintSprite(Bitmap& sprite) {
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool inside = (x - 50) * (x - 50) + (y - 50) * (y - 50) < 45 * 45;
      sprite.PutArgb(x, y, inside ? PackArgb(80, 220, 120, 30) : 0);
    }
}

LRESULT CALLBACK BenchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  FILE* out = std::fopen(__argv[1], "w");
  if (!out) return 2;
  GdiplusSession gdiplus;
  const Rect screen = VirtualScreenRect();
  // The cell of the default Size (12): 18 columns across the screen.
  const int cell = screen.Width() / 18;

  // The screen path first, while nothing of ours covers the desktop.
  Figures screen_draw;
  {
    HDC dc = GetDC(nullptr);
    GdiplusGraphics target(dc);
    GdiplusBitmap sprite(100, 100);
    PaintSprite(sprite);
    for (int i = 0; i < kTicks; ++i) {
      const double start = Now();
      target.DrawScaled(&sprite, (i * 7 % 18) * cell, (i * 5 % 10) * cell, cell, cell);
      target.Flush();
      GdiFlush();
      screen_draw.Add(Now() - start);
    }
    ReleaseDC(nullptr, dc);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, nullptr, 0);
  }

  WNDCLASSA window_class{};
  window_class.lpfnWndProc = BenchProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = "AmbervaleBench";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "AmbervaleBench", "", WS_POPUP, screen.left, screen.top, screen.Width(),
                                screen.Height(), nullptr, nullptr, instance, nullptr);
  CompositedView view(window, screen);
  const double picture_start = Now();
  TakeDesktopPicture(view.Buffer(), false);
  const double picture_seconds = Now() - picture_start;
  ShowWindow(window, SW_SHOW);
  view.Buffer().Restore();
  view.Present();
  Pump();

  MemoryBitmap sprite(100, 100);
  PaintSprite(sprite);
  Figures blend, present, restore;
  for (int i = 0; i < kTicks; ++i) {
    const double start = Now();
    view.Buffer().DrawScaled(&sprite, screen.left + (i * 7 % 18) * cell, screen.top + (i * 5 % 10) * cell, cell, cell);
    const double blended = Now();
    view.Present();
    GdiFlush();
    blend.Add(blended - start);
    present.Add(Now() - blended);
    Pump();
  }
  for (int i = 0; i < kRestores; ++i) {
    const double start = Now();
    view.Buffer().Restore();
    view.Present();
    GdiFlush();
    restore.Add(Now() - start);
    Pump();
  }

  std::fprintf(out, "screen %dx%d, cell %d px, %d ticks\n", screen.Width(), screen.Height(), cell, kTicks);
  std::fprintf(out, "screen path, one tick's GDI+ draw on the screen DC: median %.0f us, mean %.0f us\n",
               screen_draw.Median(), screen_draw.Mean());
  std::fprintf(out, "composited, one tick's blend into the back buffer: median %.0f us, mean %.0f us\n", blend.Median(),
               blend.Mean());
  std::fprintf(out, "composited, one tick's present of the changed cell: median %.0f us, mean %.0f us\n",
               present.Median(), present.Mean());
  std::fprintf(out, "composited, a cycle's restore (whole buffer presented): median %.0f us\n", restore.Median());
  std::fprintf(out, "composited, the picture of the desktop at start-up: %.0f us\n", picture_seconds * 1e6);
  std::fclose(out);
  DestroyWindow(window);
  return 0;
}
