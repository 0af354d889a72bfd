// End-to-end case of a desktop of two monitors: leaves on both, and Esc restores both. It
// needs a display that gives Wine two monitors and no virtual desktop (run_two_monitors.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(*area);
  return TRUE;
}

// The left third of a monitor, clear of the saver window on the primary.
RECT LeftThird(const RECT& monitor) {
  return RECT{monitor.left, monitor.top, monitor.left + (monitor.right - monitor.left) / 3, monitor.bottom};
}

// A plain window over a part of a monitor. Without a virtual desktop Wine leaves the X root
// window as it is when the desktop is asked to repaint; a window of ours repaints itself when
// the saver's restore invalidates its area, so the restore shows there.
class CoverWindow {
 public:
  static constexpr uint32_t kColour = 0x283C5A;
  explicit CoverWindow(const RECT& area) {
    static const ATOM window_class = [] {
      WNDCLASSA c{};
      c.lpfnWndProc = DefWindowProcA;
      c.hInstance = GetModuleHandleA(nullptr);
      c.hbrBackground = CreateSolidBrush(RGB(40, 60, 90));
      c.lpszClassName = "AmbervaleE2ECover";
      return RegisterClassA(&c);
    }();
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, MAKEINTATOM(window_class), "", WS_POPUP, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
  }
  CoverWindow(const CoverWindow&) = delete;
  CoverWindow& operator=(const CoverWindow&) = delete;
  ~CoverWindow() { DestroyWindow(window_); }
  void Cover(const RECT& area) {
    SetWindowPos(window_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE | SWP_NOZORDER);
    UpdateWindow(window_);
  }

 private:
  HWND window_;
};

}  // namespace

E2E_CASE(two_monitors_leaves_on_both_and_esc_restores) {
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.size() != 2) {
    ctx.Fail("Wine sees " + std::to_string(monitors.size()) + " monitors, not 2");
    return;
  }
  // Size 12, Algorithm 0 (random cells all over each monitor), Transparent 10, Fast 50,
  // Key_Exit and Random off.
  WriteSettings({12, 0, 10, 50, 3, 0, 0});
  std::vector<std::unique_ptr<CoverWindow>> covers;
  for (const RECT& monitor : monitors) covers.push_back(std::make_unique<CoverWindow>(LeftThird(monitor)));
  std::vector<Snapshot> baselines;
  for (const RECT& monitor : monitors) {
    const RECT area = LeftThird(monitor);
    // Painted once the cover shows its own colour all over.
    WaitFor(
        [&] {
          return CountNear(TakeSnapshot(area), CoverWindow::kColour, 8) ==
                 (area.right - area.left) * (area.bottom - area.top);
        },
        5000, 50);
    baselines.push_back(TakeSnapshot(area));
  }

  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) {
    ctx.Fail("CreateProcess failed for " + ctx.scr_path);
    return;
  }
  HWND window = saver.WaitWindow("TForm1", 20000);
  if (!window) {
    ctx.Fail("no saver window within the start bound");
    return;
  }
  for (size_t i = 0; i < monitors.size(); ++i) {
    const bool leaves =
        WaitFor([&] { return CountLeafPixels(baselines[i], TakeSnapshot(baselines[i].rect)) > 300; }, 20000, 100);
    E2E_CHECK(leaves, "no leaves on the monitor at x " + std::to_string(monitors[i].left));
  }
  if (!EscapeEndsSaver(ctx, saver, window)) {
    ctx.Fail("still running after Esc");
    return;
  }
  for (size_t i = 0; i < monitors.size(); ++i) {
    int changed = 0;
    const bool clean = WaitFor(
        [&] { return (changed = CountChanged(baselines[i], TakeSnapshot(baselines[i].rect))) < 50; }, 5000, 100);
    E2E_CHECK(clean, std::to_string(changed) + " pixels of leaves stayed on the monitor at x " +
                         std::to_string(monitors[i].left) + " after Esc");
  }
}

E2E_CASE(display_change_leaves_cover_the_new_screen_and_esc_restores_it) {
  // Size 12, Algorithm 0 (random cells all over), Transparent 10, Fast 50, Key_Exit off.
  WriteSettings({12, 0, 10, 50, 3, 0, 0});
  constexpr RECT kNewScreen{0, 0, 1280, 1024};
  constexpr RECT kNewStrip{0, 800, 1280, 1024};  // below the old screen's bottom
  CoverWindow cover(kNewScreen);
  // What the cover shows: the baseline of every area, also of one not yet on the screen.
  auto plain = [](const RECT& area) {
    Snapshot shot;
    shot.rect = area;
    shot.pixels.assign(static_cast<size_t>(shot.Width()) * shot.Height(), CoverWindow::kColour);
    return shot;
  };
  const RECT old_third{0, 0, 341, 768};
  WaitFor([&] { return CountChanged(plain(old_third), TakeSnapshot(old_third)) == 0; }, 5000, 50);

  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed for " + ctx.scr_path);
  HWND window = saver.WaitWindow("TForm1", 20000);
  if (!window) return ctx.Fail("no saver window within the start bound");
  E2E_CHECK(WaitFor([&] { return CountLeafPixels(plain(old_third), TakeSnapshot(old_third)) > 300; }, 20000, 100),
            "no leaves before the resolution change");

  FILE* request = std::fopen((ctx.work_dir + "resize.request").c_str(), "w");
  if (request) std::fclose(request);
  if (!WaitFor([] { return GetSystemMetrics(SM_CXSCREEN) == 1280 && GetSystemMetrics(SM_CYSCREEN) == 1024; }, 30000))
    return ctx.Fail("the screen did not become 1280 x 1024");
  cover.Cover(kNewScreen);  // as a desktop would grow with its screen
  if (CompositedRun()) {
    RECT covered{};
    E2E_CHECK(WaitFor([&] { return GetWindowRect(window, &covered) && EqualRect(&covered, &kNewScreen); }, 10000),
              "the composited window does not cover the new screen");
  }
  E2E_CHECK(WaitFor([&] { return CountLeafPixels(plain(kNewStrip), TakeSnapshot(kNewStrip)) > 300; }, 30000, 100),
            "no leaves on the part of the screen that the change added");

  if (!EscapeEndsSaver(ctx, saver, window)) return ctx.Fail("still running after Esc");
  int changed = 0;
  const bool clean =
      WaitFor([&] { return (changed = CountChanged(plain(kNewScreen), TakeSnapshot(kNewScreen))) < 50; }, 5000, 100);
  E2E_CHECK(clean, std::to_string(changed) + " pixels of leaves or of the old screen stayed after Esc");
}

// Two monitors, then one, as when a laptop leaves its dock (run_two_monitors.sh turns the
// second output off when asked): one saver window over what remains, cycles that go on and
// end in a restore that shows the desktop (no leaves piled on leaves: no leaf stays through
// the restores), and Esc leaves the monitor clean. The cycles' ends are the saver's own facts;
// the screen is only asked what stays.
E2E_CASE(unplugged_monitor_leaves_one_window_and_fresh_cycles) {
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.size() != 2) return ctx.Fail("Wine sees " + std::to_string(monitors.size()) + " monitors, not 2");
  const RECT primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  // Size 20 (10 x 8 cells, so a cycle soon ends), Algorithm 0 (random cells all over),
  // Transparent 10, Fast 50, Key_Exit and Random off.
  WriteSettings({20, 0, 10, 50, 3, 0, 0});
  const RECT third = LeftThird(primary);
  CoverWindow cover(third);
  WaitFor(
      [&] {
        return CountNear(TakeSnapshot(third), CoverWindow::kColour, 8) ==
               (third.right - third.left) * (third.bottom - third.top);
      },
      5000, 50);
  const Snapshot baseline = TakeSnapshot(third);

  const SaverFacts facts(ctx);
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed for " + ctx.scr_path);
  HWND window = saver.WaitWindow("TForm1", 20000);
  if (!window) return ctx.Fail("no saver window within the start bound");
  E2E_CHECK(WaitFor([&] { return CountLeafPixels(baseline, TakeSnapshot(third)) > 300; }, 20000, 100),
            "no leaves before the monitor went");

  FILE* request = std::fopen((ctx.work_dir + "unplug.request").c_str(), "w");
  if (request) std::fclose(request);
  if (!WaitFor([] { return GetSystemMetrics(SM_CMONITORS) == 1; }, 30000))
    return ctx.Fail("the second monitor did not go");
  cover.Cover(third);
  const int followed = facts.WaitLine("screens 1", 30000);
  if (followed < 0) return ctx.Fail("the saver did not follow the change to one monitor");

  // One window of the saver, over the remaining monitor: the composited one covers all of it,
  // the see-through one of the screen path stays where it was, on the primary.
  RECT placed{};
  auto over_the_monitor = [&] {
    return GetWindowRect(window, &placed) &&
           (CompositedRun() ? EqualRect(&placed, &primary) : PtInRect(&primary, POINT{placed.left, placed.top}));
  };
  E2E_CHECK(WaitFor(over_the_monitor, 10000), "the saver window stands at " + std::to_string(placed.left) + "," +
                                                  std::to_string(placed.top) + "-" + std::to_string(placed.right) +
                                                  "," + std::to_string(placed.bottom));
  HWND shown = nullptr;
  E2E_CHECK(WaitFor([&] { return (shown = saver.FindWindowOfClass("TForm1")) == window; }, 10000),
            shown ? "another saver window appeared" : "the saver window is no longer shown");

  // Fresh cycles: leaves come, two cycles end on the monitor, and once the first has ended
  // every pixel of the third shows the desktop at some moment. A leaf that a restore brings
  // back (a picture of the desktop with leaves in it) never does.
  const std::string restore = RestoreFact(primary);
  std::vector<bool> shows_desktop(baseline.pixels.size(), false);
  int ended = 0, leaves = 0;
  const bool fresh = WaitFor(
      [&] {
        ended = facts.Count(restore, static_cast<size_t>(followed) + 1);
        if (ended == 0) return false;
        const Snapshot now = TakeSnapshot(third);
        leaves = std::max(leaves, CountLeafPixels(baseline, now));
        MarkUnchanged(baseline, now, shows_desktop);
        return ended >= 2 && leaves > 300 && AllSet(shows_desktop);
      },
      90000, 20);
  const auto never = std::count(shows_desktop.begin(), shows_desktop.end(), false);
  E2E_CHECK(fresh, std::to_string(ended) + " cycles ended after the monitor went, " + std::to_string(leaves) +
                       " leaf pixels at most, " + std::to_string(never) + " pixels never showed the desktop");

  if (!EscapeEndsSaver(ctx, saver, window)) return ctx.Fail("still running after Esc");
  int changed = 0;
  const bool clean = WaitFor([&] { return (changed = CountChanged(baseline, TakeSnapshot(third))) < 50; }, 5000, 100);
  E2E_CHECK(clean, std::to_string(changed) + " pixels of leaves stayed after Esc");
}
