#include "win32/window.h"

namespace ambervale {

Window::~Window() {
  if (!handle_) return;
  HWND window = handle_;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  handle_ = nullptr;
  DestroyWindow(window);
}

void Window::RegisterWindowClass(WNDCLASSEXA window_class) {
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Procedure;
  if (!window_class.hInstance) window_class.hInstance = GetModuleHandleA(nullptr);
  WNDCLASSEXA registered{};
  if (GetClassInfoExA(window_class.hInstance, window_class.lpszClassName, &registered)) return;
  RegisterClassExA(&window_class);
}

bool Window::CreateHandle(DWORD ex_style, const char* window_class, const char* caption, DWORD style, int x, int y,
                          int width, int height, HWND parent) {
  CreateWindowExA(ex_style, window_class, caption, style, x, y, width, height, parent, nullptr,
                  GetModuleHandleA(nullptr), this);
  return handle_ != nullptr;
}

void Window::Destroy() {
  if (handle_) DestroyWindow(handle_);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    if (self) {
      self->handle_ = window;
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wparam, lparam);
  if (message != WM_NCDESTROY) return self->HandleMessage(message, wparam, lparam);
  const LRESULT result = self->HandleMessage(message, wparam, lparam);
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  self->handle_ = nullptr;
  return result;
}

}  // namespace ambervale
