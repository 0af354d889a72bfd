// The saver engine as the X11 hack runs it: the same start-up, tick and restore as on
// Windows, drawing into a back buffer in our memory instead of onto a device context. The
// window side presents the buffer's dirty rectangle after each step. Free of X11.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "engine/saver_engine.h"
#include "engine/saver_startup.h"
#include "surfaces/back_buffer.h"
#include "x11/hack_options.h"
#include "x11/tick_pacer.h"

namespace ambervale {

class HackRun final : private SaverHost, private SaverPlatform {
 public:
  // `start_time` seeds the generator as the start-up does from the clock.
  HackRun(const HackSettings& settings, TimeOfDay start_time);
  ~HackRun() override;
  HackRun(const HackRun&) = delete;
  HackRun& operator=(const HackRun&) = delete;

  // The start-up on a window of this size over this picture (width x height pixels,
  // 0x00RRGGBB; any other size gives the plain background). False when it failed.
  bool Start(int32_t width, int32_t height, std::vector<uint32_t> background);
  // A new window size: a new grid and buffer over the given picture, and a new cycle.
  void Resize(int32_t width, int32_t height, std::vector<uint32_t> background);
  // One timer tick.
  void Tick();

  BackBuffer& Buffer() { return *buffer_; }
  TickPacer& Pacer() { return pacer_; }
  SaverState& State() { return state_; }

 private:
  void SetBuffer(int32_t width, int32_t height, std::vector<uint32_t> background);

  // SaverHost
  void CheckExits() override { lifecycle_.ExitChecks(); }
  void SetTimerEnabled(bool on) override { pacer_.SetEnabled(on, TickPacer::Clock::now()); }
  void RepaintDesktop() override { buffer_->Restore(); }

  // SaverPlatform
  void LoadSettings(SaverState& state) override;
  TimeOfDay UtcTimeOfDay() override { return start_time_; }
  ScreenSize PrimaryScreenSize() override { return {buffer_->Width(), buffer_->Height()}; }
  bool WindowRect(int32_t, Rect&) override { return false; }
  uintptr_t ScreenDC() override { return 0; }
  uintptr_t WindowDC(int32_t) override { return 0; }
  void CaptureScreen(Dib&) override {}
  std::unique_ptr<DrawTarget> CreateDrawTarget(uintptr_t dc) override;
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override;
  void SetTimerInterval(uint32_t milliseconds) override { pacer_.SetInterval(milliseconds, TickPacer::Clock::now()); }
  // Keys and the mouse belong to the daemon: the cursor never moves as far as the engine sees.
  Point CursorPos() override { return {}; }
  void SetScreensaverRunning(bool) override {}
  bool IsActiveWindow() override { return true; }
  void RequestClose() override {}
  void StartCycle() override { engine_.StartCycle(); }
  void BuildSprite() override { engine_.BuildSprite(); }
  void RestoreAndRestart() override { engine_.RestoreAndRestart(); }

  HackSettings settings_;
  TimeOfDay start_time_;
  SaverState state_;
  Random random_;
  LeafImageSet leaves_;
  SaverEngine engine_;
  SaverLifecycle lifecycle_;
  TickPacer pacer_;
  std::unique_ptr<BackBuffer> buffer_;
};

}  // namespace ambervale
