#include "win32/drawing_failure.h"

namespace ambervale {

void DrawingFailureGuard::Run(const std::function<void()>& step) {
  if (failed_) return;
  try {
    step();
  } catch (const DrawingFailure& failure) {
    failed_ = true;
    show_message_(failure.what());
    end_run_();
  }
}

}  // namespace ambervale
