// The application object of the Windows layer: its title, its main window (the first window
// whose creation completes), the message loop, and the default error handler that shows an
// exception escaping an event handler and lets the program go on.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ambervale {

class Application {
 public:
  static Application& Instance();

  void SetTitle(std::string title) { title_ = std::move(title); }
  const std::string& Title() const { return title_; }

  // The first window that reports its creation complete becomes the main window.
  void WindowCreated(HWND window) {
    if (!main_window_) main_window_ = window;
  }
  HWND MainWindow() const { return main_window_; }
  // A window going away: the main window's destruction ends the message loop.
  void WindowDestroyed(HWND window);

  // Runs the message loop until the main window is destroyed (at once when there is none).
  // Besides the messages it waits on the watched handles, and a signalled handle is served
  // before any message that waits.
  int Run();
  // `signalled` runs from the message loop whenever `handle` is signalled; watching a handle
  // again replaces its function.
  void WatchHandle(HANDLE handle, std::function<void()> signalled);
  void UnwatchHandle(HANDLE handle);

  // Shows the message of an exception that escaped an event handler: error icon, OK, the
  // application title as caption, a full stop appended when the text ends in a character
  // that sorts after it.
  void ShowException(const std::exception& error);
  void ShowException(const std::string& message);
  // True while an error message is on the screen: its modal loop still delivers timer
  // messages, and a handler that failed once would otherwise stack box upon box.
  bool ShowingException() const { return showing_exception_ > 0; }

  // Runs an event handler under the default error handler.
  template <typename Handler>
  void Guard(Handler&& handler) {
    try {
      std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
      ShowException(error);
    }
  }

 private:
  struct Watched {
    HANDLE handle;
    std::function<void()> signalled;
  };
  // False once the loop has read WM_QUIT.
  bool DispatchOneMessage();

  std::string title_;
  HWND main_window_ = nullptr;
  std::vector<Watched> watched_;
  int showing_exception_ = 0;
};

// The message text as the error box shows it: a full stop is appended when the last character
// sorts after the full stop.
std::string ExceptionMessageText(const std::string& message);

}  // namespace ambervale
