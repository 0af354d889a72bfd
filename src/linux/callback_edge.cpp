#include "linux/callback_edge.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace ambervale {
namespace {

// The programs are single-threaded: one failure on its way to main at a time.
std::exception_ptr caught;

std::string_view EdgeName(CallbackEdge edge) {
  switch (edge) {
    case CallbackEdge::kWayland: return "wayland";
    case CallbackEdge::kSdBus: return "sd-bus";
    case CallbackEdge::kGlibSource: return "glib-source";
    case CallbackEdge::kGtkSignal: return "gtk-signal";
  }
  return {};
}

}  // namespace

namespace edge_detail {

void Keep(std::exception_ptr failure) noexcept {
  if (!caught) caught = std::move(failure);
}

bool Pending() noexcept { return caught != nullptr; }

void FailWhenAsked(CallbackEdge edge) {
  static const char* const asked = std::getenv("AMBERVALE_FAIL_AT_EDGE");
  if (asked != nullptr && EdgeName(edge) == asked)
    throw std::runtime_error("a failure forced in a " + std::string(asked) + " callback");
}

}  // namespace edge_detail

void RethrowCaughtFailure() {
  if (std::exception_ptr failure = TakeCaughtFailure()) std::rethrow_exception(failure);
}

std::exception_ptr TakeCaughtFailure() noexcept { return std::exchange(caught, nullptr); }

std::string DescribeFailure(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
  }
  return "an unknown failure";
}

}  // namespace ambervale
