#include "gtk_settings/live_preview.h"

#include <utility>

#include "run/saver_startup.h"

namespace ambervale {

// The window's own keys and pointer are no exit: nothing reports input to this run.
LivePreview::LivePreview(int32_t width, int32_t height, const Settings& settings, std::vector<uint32_t> background)
    : run_(std::make_unique<BufferedRun>(settings, UtcTimeOfDay(),
                                         RunRules{InputRule::kEscapeOnly, SizeRule::kFullScreen})) {
  run_->Start(width, height, std::move(background));
}

void LivePreview::Show(const Settings& settings) {
  SaverRun& run = run_->Run();
  for (const SettingSpec& spec : kSettingSpecs) {
    const int32_t value = ClampToRange(spec.id, ValueOf(settings, spec.id));
    if (value != ValueOf(run.CurrentSettings(), spec.id)) run.ChangeSetting(spec.id, value);
  }
}

bool LivePreview::Advance(MonotonicTime now, std::optional<MonotonicTime>& next_wake) {
  const SaverRun::Wake wake = run_->Advance(now);
  next_wake = wake.next_wake;
  return wake.ticks > 0 || !wake.changed.Empty();
}

}  // namespace ambervale
