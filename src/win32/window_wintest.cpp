#include "win32/window.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

constexpr char kWindowClass[] = "AmbervaleWindowTest";

class RecordingWindow final : public Window {
 public:
  explicit RecordingWindow(HWND parent) {
    WNDCLASSEXA window_class{};
    window_class.lpszClassName = kWindowClass;
    RegisterWindowClass(window_class);
    CreateHandle(0, kWindowClass, "", parent ? WS_CHILD : WS_POPUP, 0, 0, 20, 20, parent);
  }
  using Window::Destroy;

  std::vector<UINT> seen;
  HWND handle_at_create = nullptr;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    seen.push_back(message);
    if (message == WM_CREATE) handle_at_create = Handle();
    return DefaultHandling(message, wparam, lparam);
  }
};

TEST(WindowTest, BoundFromCreationUntilDestructionWhoeverDestroysIt) {
  RecordingWindow parent(nullptr);
  RecordingWindow child(parent.Handle());
  ASSERT_NE(child.Handle(), nullptr);
  EXPECT_EQ(child.seen.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(child.handle_at_create, child.Handle());

  // The parent takes its child along: both objects learn that their windows are gone.
  const HWND child_window = child.Handle();
  parent.Destroy();
  EXPECT_EQ(parent.Handle(), nullptr);
  EXPECT_EQ(child.Handle(), nullptr);
  EXPECT_FALSE(IsWindow(child_window));
  EXPECT_EQ(child.seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

// The window's last messages must not reach the half-destroyed object (a pure virtual call).
TEST(WindowTest, ObjectThatGoesFirstTakesItsWindowAlong) {
  HWND window = nullptr;
  {
    RecordingWindow recording(nullptr);
    window = recording.Handle();
    ASSERT_TRUE(IsWindow(window));
  }
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace ambervale
