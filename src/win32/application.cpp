#include "win32/application.h"

namespace ambervale {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::WindowDestroyed(HWND window) {
  if (window && window == main_window_) PostQuitMessage(0);
}

void Application::WatchHandle(HANDLE handle, std::function<void()> signalled) {
  UnwatchHandle(handle);
  watched_.push_back({handle, std::move(signalled)});
}

void Application::UnwatchHandle(HANDLE handle) {
  std::erase_if(watched_, [handle](const Watched& watched) { return watched.handle == handle; });
}

int Application::Run() {
  if (!main_window_ || !IsWindow(main_window_)) return 0;
  for (;;) {
    std::vector<HANDLE> handles;
    for (const Watched& watched : watched_) handles.push_back(watched.handle);
    const DWORD count = static_cast<DWORD>(handles.size());
    // MWMO_INPUTAVAILABLE: messages already in the queue wake the wait too, not only new ones.
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken < WAIT_OBJECT_0 + count) {
      // A copy: the function may unwatch its own handle.
      const std::function<void()> signalled = watched_[woken - WAIT_OBJECT_0].signalled;
      signalled();
      continue;
    }
    if (woken == WAIT_FAILED) {
      // Handles that cannot be waited on: carry on with messages alone.
      watched_.clear();
      continue;
    }
    // One message at a time, so a due tick never waits behind a long queue.
    if (!DispatchOneMessage()) return 0;
  }
}

bool Application::DispatchOneMessage() {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return true;
  if (message.message == WM_QUIT) return false;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

std::string ExceptionMessageText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return text;
}

void Application::ShowException(const std::exception& error) { ShowException(std::string(error.what())); }

void Application::ShowException(const std::string& message) {
  const std::string text = ExceptionMessageText(message);
  // Owned by the window that has the activation, so the box stays above a stay-on-top saver.
  HWND owner = GetActiveWindow();
  ++showing_exception_;
  MessageBoxA(owner, text.c_str(), title_.c_str(), MB_ICONERROR | MB_OK);
  --showing_exception_;
}

}  // namespace ambervale
