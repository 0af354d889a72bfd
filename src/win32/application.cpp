#include "win32/application.h"

namespace ambervale {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::WindowDestroyed(HWND window) {
  if (window && window == main_window_) PostQuitMessage(0);
}

int Application::Run() {
  if (!main_window_ || !IsWindow(main_window_)) return 0;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
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
