#include "wayland/output_saver.h"

#include <sys/time.h>

#include <ctime>
#include <utility>

#include "linux/buffered_run.h"

namespace ambervale {
namespace {

TimeOfDay UtcNowStaggered(int32_t stagger) {
  TimeOfDay now = UtcTimeOfDay();
  // The generator takes its seed from the milliseconds among the rest: one per output.
  now.milliseconds = (now.milliseconds + 7 * stagger) % 1000;
  return now;
}

}  // namespace

OutputSaver::OutputSaver(const LinuxSettings& settings, int32_t stagger)
    : run_(std::make_unique<BufferedRun>(settings, UtcNowStaggered(stagger), RunRules{InputRule::kAnyInput})) {}

OutputSaver::~OutputSaver() = default;

void OutputSaver::Start(int32_t width, int32_t height, std::vector<uint32_t> background) {
  run_->Start(width, height, std::move(background));
}

void OutputSaver::Resize(int32_t width, int32_t height) {
  run_->Resize(width, height, run_->FittedBackground(width, height));
}

SaverRun::Wake OutputSaver::Advance(MonotonicTime now) { return run_->Advance(now); }

SaverRun& OutputSaver::Run() { return run_->Run(); }

const BackBuffer& OutputSaver::Buffer() const { return run_->Buffer(); }

void OutputSaver::DrawInto(std::function<uint32_t*(int32_t width, int32_t height)> memory) {
  run_->DrawInto(std::move(memory));
}

void OutputSaver::MoveTo(uint32_t* memory) { run_->Buffer().MoveTo(memory); }

}  // namespace ambervale
