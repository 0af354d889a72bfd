// The base of our own Win32 windows: the C++ object is bound to its window from WM_NCCREATE
// (through CreateWindowEx's creation parameter) until WM_NCDESTROY, and every message between
// reaches HandleMessage. Handle() is null before the creation and after the destruction,
// whoever destroyed the window (its owner or parent may take it along), so that no call ever
// reaches a destroyed window through it.
#pragma once

#include <windows.h>

#include "run/saver_host.h"

namespace ambervale {

// A virtual-key code as the saver tells keys apart.
inline Key KeyOf(WPARAM virtual_key) { return virtual_key == VK_ESCAPE ? Key::kEscape : Key::kOther; }

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

 protected:
  Window() = default;
  // A window still there is destroyed without reaching HandleMessage: the derived part of the
  // object is already gone. A derived class whose WM_DESTROY handling matters calls Destroy()
  // in its own destructor.
  virtual ~Window();

  // Registers a window class whose windows are Window objects; once per class name.
  static void RegisterWindowClass(WNDCLASSEXA window_class);
  // CreateWindowEx with this object bound; false when the window could not be made.
  bool CreateHandle(DWORD ex_style, const char* window_class, const char* caption, DWORD style, int x, int y, int width,
                    int height, HWND parent);
  void Destroy();

  // Messages not handled go to DefaultHandling.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  LRESULT DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(handle_, message, wparam, lparam);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
};

}  // namespace ambervale
