#include "linux/callback_edge.h"

#include <utility>

namespace ambervale {
namespace {

// The programs are single-threaded: one failure on its way to main at a time.
std::exception_ptr caught;

}  // namespace

namespace edge_detail {

void Keep(std::exception_ptr failure) noexcept {
  if (!caught) caught = std::move(failure);
}

bool Pending() noexcept { return caught != nullptr; }

}  // namespace edge_detail

void RethrowCaughtFailure() {
  if (std::exception_ptr failure = TakeCaughtFailure()) std::rethrow_exception(failure);
}

std::exception_ptr TakeCaughtFailure() noexcept { return std::exchange(caught, nullptr); }

}  // namespace ambervale
