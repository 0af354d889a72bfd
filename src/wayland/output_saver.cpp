#include "wayland/output_saver.h"

#include <sys/time.h>

#include <ctime>
#include <utility>

#include "linux/buffered_run.h"
#include "linux/scale_picture.h"

namespace ambervale {
namespace {

TimeOfDay UtcNowStaggered(int32_t stagger) {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  // The generator takes its seed from the milliseconds among the rest: one per output.
  const int milliseconds = static_cast<int>((now.tv_usec / 1000 + 7 * stagger) % 1000);
  return {utc.tm_hour, utc.tm_min, utc.tm_sec, milliseconds};
}

}  // namespace

OutputSaver::OutputSaver(const LinuxSettings& settings, int32_t stagger)
    : run_(std::make_unique<BufferedRun>(settings, UtcNowStaggered(stagger))) {}

OutputSaver::~OutputSaver() = default;

bool OutputSaver::Start(int32_t width, int32_t height, std::vector<uint32_t> background) {
  return run_->Start(width, height, std::move(background));
}

void OutputSaver::Resize(int32_t width, int32_t height) {
  BackBuffer& old = run_->Buffer();
  run_->Resize(width, height, ScalePicture(old.Background(), old.Width(), old.Height(), width, height));
}

bool OutputSaver::Due(Clock::time_point now) const { return run_->Pacer().Due(now); }

int64_t OutputSaver::WaitNanoseconds(Clock::time_point now) const { return run_->Pacer().WaitNanoseconds(now); }

Rect OutputSaver::Tick(Clock::time_point now) {
  run_->Tick();
  run_->Pacer().Advance(now);
  return run_->Buffer().TakeDirty();
}

const BackBuffer& OutputSaver::Buffer() const { return run_->Buffer(); }

Rect OutputSaver::TakeDirty() { return run_->Buffer().TakeDirty(); }

}  // namespace ambervale
