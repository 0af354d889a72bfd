#include "win32/drawing_failure.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "surfaces/memory_surfaces.h"
#include "win32/gdiplus_objects.h"

namespace ambervale {
namespace {

// The graphics library's own failures: a bitmap of no size, and a draw of a bitmap it does not
// know, on a device context in memory.
TEST(DrawingFailureTest, FailedGraphicsCallsBecomeErrorsThatNameTheStatus) {
  GdiplusSession session;
  ASSERT_TRUE(session.ok());
  EXPECT_NO_THROW(RequireBitmap(std::make_unique<GdiplusBitmap>(8, 8)));
  try {
    RequireBitmap(std::make_unique<GdiplusBitmap>(0, 8));
    ADD_FAILURE() << "a bitmap of no size was accepted";
  } catch (const DrawingFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("could not be made (graphics status 2)"), std::string::npos)
        << failure.what();
  }

  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, canvas);
  {
    auto target = FailingLoudly(std::make_unique<GdiplusGraphics>(dc));
    GdiplusBitmap leaf(4, 4);
    EXPECT_NO_THROW(target->DrawScaled(&leaf, 2, 2, 8, 8));
    MemoryBitmap foreign(4, 4);
    EXPECT_THROW(target->DrawScaled(&foreign, 2, 2, 8, 8), DrawingFailure);
  }
  SelectObject(dc, previous);
  DeleteObject(canvas);
  DeleteDC(dc);
}

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
