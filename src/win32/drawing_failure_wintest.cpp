#include "win32/drawing_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambervale {
namespace {

TEST(DrawingFailureTest, FirstFailureShowsOnceEndsTheRunAndLaterStepsAreSkipped) {
  std::vector<std::string> events;
  DrawingFailureGuard guard([&](const std::string& message) { events.push_back("show " + message); },
                            [&] { events.push_back("end"); });
  guard.Run([&] { events.push_back("tick"); });
  for (int tick = 0; tick < 3; ++tick) guard.Run([&] { throw DrawingFailure("no draw"); });
  guard.Run([&] { events.push_back("tick"); });
  EXPECT_TRUE(guard.Failed());
  EXPECT_EQ(events, (std::vector<std::string>{"tick", "show no draw", "end"}));
  // Other errors are not the guard's: they reach the application's handler as before.
  DrawingFailureGuard other([](const std::string&) {}, [] {});
  EXPECT_THROW(other.Run([] { throw std::runtime_error("bad settings"); }), std::runtime_error);
  EXPECT_FALSE(other.Failed());
}

}  // namespace
}  // namespace ambervale
