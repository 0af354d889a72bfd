#include "linux/callback_edge.h"
#include "linux/program_main.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace ambervale {
namespace {

// A C library's view: it calls the listener and goes on with the next; only C++ code rethrows.
void Listener(int* calls, const char* failure) {
  ++*calls;
  if (failure) throw std::runtime_error(failure);
}

TEST(CallbackEdge, KeepsTheFirstFailureSkipsWhatFollowsAndHandsItOnOnce) {
  int calls = 0;
  AtWaylandEdge<Listener>(&calls, "first");
  AtWaylandEdge<Listener>(&calls, "second");  // a consequence: not run
  CatchAtEdge(CallbackEdge::kSdBus, [&] { ++calls; });
  EXPECT_EQ(calls, 1);
  try {
    RethrowCaughtFailure();
    ADD_FAILURE() << "nothing rethrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "first");
  }
  EXPECT_NO_THROW(RethrowCaughtFailure());
  AtWaylandEdge<Listener>(&calls, nullptr);
  EXPECT_EQ(calls, 2);
  CatchAtEdge(CallbackEdge::kGtkSignal, [] { throw 7; });
  EXPECT_EQ(DescribeFailure(TakeCaughtFailure()), "an unknown failure");
}

}  // namespace
}  // namespace ambervale
