#include "win32/application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambervale {
namespace {

TEST(ExceptionMessageTextTest, FullStopOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ExceptionMessageText("'abc' is not a valid integer value"), "'abc' is not a valid integer value.");
  EXPECT_EQ(ExceptionMessageText("Failed to get data for 'Size'"), "Failed to get data for 'Size'");
  EXPECT_EQ(ExceptionMessageText("JPEG error #53"), "JPEG error #53.");
  EXPECT_EQ(ExceptionMessageText("Already stopped."), "Already stopped.");
  EXPECT_EQ(ExceptionMessageText("dash-"), "dash-");     // '-' sorts before '.'
  EXPECT_EQ(ExceptionMessageText("slash/"), "slash/.");  // '/' sorts after it
  EXPECT_EQ(ExceptionMessageText("caf\xe9"), "caf\xe9.");
  EXPECT_EQ(ExceptionMessageText(""), "");
}

Application* g_application = nullptr;
bool g_guard_fired = false;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY && g_application) g_application->WindowDestroyed(window);
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND MakeWindow() {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = TestWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "AmbervaleApplicationTest";
  RegisterClassA(&window_class);
  return CreateWindowExA(0, window_class.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

TEST(ApplicationTest, RunReturnsAtOnceWithoutAMainWindow) {
  Application application;
  EXPECT_EQ(application.MainWindow(), nullptr);
  EXPECT_EQ(application.Run(), 0);
}

TEST(ApplicationTest, FirstCreatedWindowIsMainAndItsDestructionEndsTheLoop) {
  Application application;
  g_application = &application;
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ASSERT_TRUE(first && second);
  application.WindowCreated(first);
  application.WindowCreated(second);
  EXPECT_EQ(application.MainWindow(), first);

  // Destroying another window leaves the loop running; the main window's ends it. A timer
  // bounds the wait should the loop not end.
  DestroyWindow(second);
  PostMessageA(first, WM_CLOSE, 0, 0);
  const UINT_PTR guard = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
    g_guard_fired = true;
    PostQuitMessage(99);
  });
  application.Run();
  KillTimer(nullptr, guard);
  EXPECT_FALSE(g_guard_fired);
  EXPECT_FALSE(IsWindow(first));
  g_application = nullptr;
}

TEST(ApplicationTest, SignalledHandleIsServedBeforeWaitingMessages) {
  Application application;
  g_application = &application;
  HWND window = MakeWindow();
  ASSERT_TRUE(window);
  application.WindowCreated(window);
  HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);  // auto-reset, already set
  ASSERT_TRUE(event);
  std::vector<std::string> order;
  application.WatchHandle(event, [&] {
    order.push_back("handle");
    application.UnwatchHandle(event);  // from inside its own function
  });
  PostMessageA(window, WM_CLOSE, 0, 0);  // waits in the queue before the loop starts
  const UINT_PTR guard = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
    g_guard_fired = true;
    PostQuitMessage(99);
  });
  application.Run();
  order.push_back(IsWindow(window) ? "open" : "closed");
  KillTimer(nullptr, guard);
  CloseHandle(event);
  EXPECT_FALSE(g_guard_fired);
  EXPECT_EQ(order, (std::vector<std::string>{"handle", "closed"}));
  g_application = nullptr;
}

}  // namespace
}  // namespace ambervale
