// The end-to-end tests' builds of the programs only, in place of edge_failures_off.cpp:
// AMBERVALE_FAIL_AT_EDGE=wayland|sd-bus|glib-source|gtk-signal makes every callback of that
// kind fail, so that a test sees the failure reach main.
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "linux/callback_edge.h"

namespace ambervale::edge_detail {
namespace {

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

void FailWhenAsked(CallbackEdge edge) {
  static const char* const asked = std::getenv("AMBERVALE_FAIL_AT_EDGE");
  if (asked != nullptr && EdgeName(edge) == asked)
    throw std::runtime_error("a failure forced in a " + std::string(asked) + " callback");
}

}  // namespace ambervale::edge_detail
