#include "gtk_settings/live_preview.h"

#include <ctime>
#include <utility>

#include "engine/saver_startup.h"

namespace ambervale {
namespace {

TimeOfDay Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}

bool NeedsNewCycle(const Settings& before, const Settings& after) {
  return before.size != after.size || before.algorithm != after.algorithm || before.transparent != after.transparent;
}

}  // namespace

LivePreview::LivePreview(int32_t width, int32_t height, const Settings& settings, std::vector<uint32_t> background)
    : width_(width), height_(height), shown_(settings), background_(std::move(background)) {
  Restart();
}

void LivePreview::Restart() {
  LinuxSettings settings;
  static_cast<Settings&>(settings) = shown_;
  settings.exit_on_input = false;  // the window's own keys and pointer are no exit
  run_ = std::make_unique<BufferedRun>(settings, Now());
  run_->Start(width_, height_, background_);
}

void LivePreview::Show(const Settings& settings) {
  const Settings before = shown_;
  shown_ = settings;
  if (NeedsNewCycle(before, settings)) return Restart();
  Settings& running = run_->State().settings;
  running.random_algorithm = settings.random_algorithm;
  if (running.fast != settings.fast) {
    running.fast = settings.fast;
    run_->SetTickInterval(TickInterval(settings.fast));
  }
}

bool LivePreview::Advance(MonotonicTime now, std::optional<MonotonicTime>& next_wake) {
  const SaverRun::Wake wake = run_->Advance(now);
  next_wake = wake.next_wake;
  return wake.ticks > 0 || !wake.changed.Empty();
}

}  // namespace ambervale
