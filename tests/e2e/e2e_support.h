// Support for the end-to-end cases: a case is a function registered with E2E_CASE(name); the
// driver runs one case per process inside a Wine virtual desktop and writes its verdict to a
// results file (the desktop's stdout is lost). List a case's name in a *_cases.txt file next
// to this one to have CTest run it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// What every case gets: the saver's path and the verdict so far.
struct Context {
  std::string scr_path;
  std::string work_dir;  // a folder of this case's own, removed after the case, with a trailing separator
  std::vector<std::string> failures;
  std::vector<std::string> notes;
  void Fail(const std::string& what) { failures.push_back(what); }
  void Note(const std::string& what) { notes.push_back(what); }
};

using CaseFunction = void (*)(Context&);
bool RegisterCase(const char* name, CaseFunction function);

#define E2E_CASE(name)                                                                   \
  static void e2e_case_##name(::e2e::Context& ctx);                                      \
  static const bool e2e_registered_##name = ::e2e::RegisterCase(#name, e2e_case_##name); \
  static void e2e_case_##name(::e2e::Context& ctx)

#define E2E_CHECK(condition, detail)                                                                               \
  do {                                                                                                             \
    if (!(condition)) ctx.Fail(std::string(#condition) + " (line " + std::to_string(__LINE__) + "): " + (detail)); \
  } while (0)

// True when this run's saver draws in its own composited window (AMBERVALE_DRAWING).
bool CompositedRun();

// Waits, pumping this thread's messages, until `ready` holds or `timeout_ms` passes.
bool WaitFor(const std::function<bool()>& ready, DWORD timeout_ms, DWORD poll_ms = 20);
// Pumps messages for a while (only where nothing can be waited for: proving an absence).
void Pause(DWORD milliseconds);

// The saver under test, started with CreateProcess; a process still running when the object
// goes is terminated, so no case leaves one behind.
class SaverProcess {
 public:
  SaverProcess() = default;
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;
  ~SaverProcess();
  bool Start(const std::string& scr_path, const std::string& arguments);
  bool WaitExit(DWORD timeout_ms);
  bool Running();
  DWORD ExitCode();
  DWORD Id() const { return info_.dwProcessId; }
  // The first visible top-level window of this process with the given class ("" for any).
  HWND FindWindowOfClass(const char* window_class);
  HWND WaitWindow(const char* window_class, DWORD timeout_ms);

 private:
  PROCESS_INFORMATION info_{};
};

// The facts a saver records for tests, one line an event (AMBERVALE_TEST_LOG, win32/test_log.h):
// every saver started after this is made writes them into a file of the case's own.
class SaverFacts {
 public:
  explicit SaverFacts(const Context& ctx);
  // The lines written so far.
  std::vector<std::string> Lines() const;
  // How many lines, from line `first` on, are exactly `line`.
  int Count(const std::string& line, size_t first = 0) const;
  // Waits until a line is exactly `line`; its index, or -1 when none came within the bound.
  int WaitLine(const std::string& line, DWORD timeout_ms) const;

 private:
  std::string path_;
};
// The fact of a restore of a screen rectangle.
std::string RestoreFact(const RECT& area);

// An RGB snapshot of a screen rectangle, read through the screen's device context.
struct Snapshot {
  RECT rect{};
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, row-major
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * Width() + x]; }
};
Snapshot TakeSnapshot(const RECT& rect);
// Pixels of `now` that differ from `before` by more than `tolerance` in some channel.
int CountChanged(const Snapshot& before, const Snapshot& now, int tolerance = 24);
// Changed pixels that moved towards the warm colours of autumn leaves (red gained on blue).
int CountLeafPixels(const Snapshot& before, const Snapshot& now);
int CountNear(const Snapshot& shot, uint32_t rgb, int tolerance);
// True when every flag is set.
bool AllSet(const std::vector<bool>& flags);
// Marks in `seen` (one flag a pixel) every pixel of `now` within `tolerance` of `before`.
void MarkUnchanged(const Snapshot& before, const Snapshot& now, std::vector<bool>& seen, int tolerance = 24);

// The part of the screen the checks read: the left third, clear of the saver window (a
// colour-keyed window shows as an opaque box in a Wine desktop).
RECT SampleRect();

// Has the system repaint the whole desktop.
void RepaintDesktop();

// Activates a window and waits until it has the keyboard.
bool BringToFront(HWND window, DWORD timeout_ms = 15000);
// Esc to the saver's window until the saver ends, at most `presses` times. On a busy machine
// Wine may hand a key to the window that had the keyboard a moment before (the two-monitor
// cases' cover windows), so a press that ends nothing is repeated, the window brought to the
// front again first; after the last one Esc is posted to the window (logged). False when the
// saver still runs after that.
bool EscapeEndsSaver(Context& ctx, SaverProcess& saver, HWND window, int presses = 3);
void PressKey(WORD virtual_key);
void MoveCursor(int x, int y);

// Registry key of the saver's settings under HKEY_CURRENT_USER.
void DeleteSettingsKey();
void CreateEmptySettingsKey();
// The seven values in their order: Size, Algorithm, Transparent, Fast, Color_s, Key_Exit,
// Rands_Algorithm.
void WriteSettings(const std::vector<DWORD>& values);
bool ReadSettingsValue(const char* name, DWORD& type, DWORD& value);
extern const char* const kSettingNames[7];

// A message box (#32770) of the given process, its caption and its text.
HWND WaitMessageBox(DWORD process_id, DWORD timeout_ms);
std::string WindowText(HWND window);
std::string MessageBoxText(HWND box);
void DismissMessageBox(HWND box);

}  // namespace e2e
