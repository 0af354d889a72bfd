// A failure of the graphics library while the saver draws: a bitmap it could not make or a
// draw it refused. The drawing objects keep such a failure in their status; this turns it into
// an error that ends the run with a message, instead of a screen that silently stays blank.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "surfaces/drawing.h"

namespace ambervale {

class DrawingFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bitmap as made; a DrawingFailure when it could not be made.
std::unique_ptr<ArgbBitmap> RequireBitmap(std::unique_ptr<ArgbBitmap> bitmap);

// The target, each of whose draws raises a DrawingFailure when the target reports a failure.
std::unique_ptr<DrawTarget> FailingLoudly(std::unique_ptr<DrawTarget> target);

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
