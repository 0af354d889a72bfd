// The edge between C libraries and our code. A C library (libwayland's listeners, sd-bus's
// handlers, GLib's timers and GTK's signals) calls back through frames of its own, which an
// exception must not unwind: it would end the program in std::terminate instead of saying what
// failed. So each callback runs its body through CatchAtEdge, which keeps the failure; the C++
// code that handed control to the library takes it back once the library returns
// (RethrowCaughtFailure) and lets it travel on to main, which prints it and exits with 1.
#pragma once

#include <exception>

namespace ambervale {

enum class CallbackEdge { kWayland, kSdBus, kGlibSource, kGtkSignal };

namespace edge_detail {
// Keeps the first failure; later ones are its consequences.
void Keep(std::exception_ptr failure) noexcept;
bool Pending() noexcept;
// A link-time seam for the end-to-end tests, which check that a failure in each kind of callback
// reaches main: what ships does nothing here (edge_failures_off.cpp); the tests' builds of the
// programs link e2e/failing_edges.cpp in its place, which makes the callbacks of one kind fail.
void FailWhenAsked(CallbackEdge edge);
}  // namespace edge_detail

// Runs a callback's body; a failure is kept for RethrowCaughtFailure. Once one is kept, the
// bodies of later callbacks are skipped: the program is on its way out.
template <typename Body>
void CatchAtEdge(CallbackEdge edge, Body&& body) noexcept {
  if (edge_detail::Pending()) return;
  try {
    edge_detail::FailWhenAsked(edge);
    body();
  } catch (...) {
    edge_detail::Keep(std::current_exception());
  }
}

// `callback` behind the edge, as an entry of a Wayland listener table (AtWaylandEdge<OnDone>):
// a function of the entry's very signature.
template <auto callback, typename... Arguments>
void AtWaylandEdge(Arguments... arguments) {
  CatchAtEdge(CallbackEdge::kWayland, [&] { callback(arguments...); });
}

// Throws the failure a callback kept, once; nothing when there is none.
void RethrowCaughtFailure();
// The failure a callback kept, once (null when there is none), for a caller that shows it
// itself.
std::exception_ptr TakeCaughtFailure() noexcept;

}  // namespace ambervale
