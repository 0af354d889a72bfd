// How the Windows saver reports a DrawingFailure (a surface the graphics could not make, or a
// draw they refused, which the run raises): once, in a message box, and the run ends.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "base/errors.h"

namespace ambervale {

// Runs the steps of a run that draw. The first DrawingFailure shows its message once and ends
// the run; every later step is skipped, since it would only fail again, tick after tick.
class DrawingFailureGuard {
 public:
  DrawingFailureGuard(std::function<void(const std::string&)> show_message, std::function<void()> end_run)
      : show_message_(std::move(show_message)), end_run_(std::move(end_run)) {}

  void Run(const std::function<void()>& step);
  bool Failed() const { return failed_; }

 private:
  std::function<void(const std::string&)> show_message_;
  std::function<void()> end_run_;
  bool failed_ = false;
};

}  // namespace ambervale
