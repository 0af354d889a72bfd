#include "e2e_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace e2e {
namespace {

constexpr char kSettingsKey[] = "Software\\Ambervale";

struct FindArgs {
  DWORD process_id;
  const char* window_class;
  HWND found;
};

BOOL CALLBACK FindWindowProc(HWND window, LPARAM param) {
  auto* args = reinterpret_cast<FindArgs*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != args->process_id || !IsWindowVisible(window)) return TRUE;
  if (args->window_class && *args->window_class) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, args->window_class) != 0) return TRUE;
  }
  args->found = window;
  return FALSE;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

const char* const kSettingNames[7] = {"Size",    "Algorithm", "Transparent",    "Fast",
                                      "Color_s", "Key_Exit",  "Rands_Algorithm"};

bool WaitFor(const std::function<bool()>& ready, DWORD timeout_ms, DWORD poll_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    PumpMessages();
    if (ready()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, poll_ms, QS_ALLINPUT);
  }
}

bool CompositedRun() {
  char path[16] = {};
  const DWORD length = GetEnvironmentVariableA("AMBERVALE_DRAWING", path, sizeof path);
  return length > 0 && length < sizeof path && std::string(path) == "composited";
}

void Pause(DWORD milliseconds) {
  WaitFor([] { return false; }, milliseconds);
}

SaverProcess::~SaverProcess() {
  if (!info_.hProcess) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

// On a busy machine Wine has now and then refused to start a process for a moment (once in a
// whole run, the next start went through): a start is tried for a while; a failure leaves the
// last refusal's error.
bool SaverProcess::Start(const std::string& scr_path, const std::string& arguments) {
  std::string command = "\"" + scr_path + "\"";
  if (!arguments.empty()) command += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  DWORD refusal = 0;
  const bool started = WaitFor(
      [&] {
        std::vector<char> buffer(command.begin(), command.end());
        buffer.push_back('\0');
        if (CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
          return true;
        refusal = GetLastError();
        return false;
      },
      5000, 250);
  if (!started) SetLastError(refusal);
  return started;
}

bool SaverProcess::WaitExit(DWORD timeout_ms) {
  if (!info_.hProcess) return true;
  return WaitFor([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms);
}

bool SaverProcess::Running() { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD SaverProcess::ExitCode() {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

HWND SaverProcess::FindWindowOfClass(const char* window_class) {
  FindArgs args{info_.dwProcessId, window_class, nullptr};
  EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&args));
  return args.found;
}

HWND SaverProcess::WaitWindow(const char* window_class, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindWindowOfClass(window_class)) != nullptr; }, timeout_ms);
  return found;
}

SaverFacts::SaverFacts(const Context& ctx) : path_(ctx.work_dir + "saver-facts.txt") {
  DeleteFileA(path_.c_str());
  SetEnvironmentVariableA("AMBERVALE_TEST_LOG", path_.c_str());
}

std::vector<std::string> SaverFacts::Lines() const {
  std::ifstream file(path_, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  // Whole lines only: the saver may be writing the last one.
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

int SaverFacts::Count(const std::string& line, size_t first) const {
  const std::vector<std::string> lines = Lines();
  if (first >= lines.size()) return 0;
  return static_cast<int>(std::count(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end(), line));
}

int SaverFacts::WaitLine(const std::string& line, DWORD timeout_ms) const {
  int index = -1;
  WaitFor(
      [&] {
        const std::vector<std::string> lines = Lines();
        const auto found = std::find(lines.begin(), lines.end(), line);
        if (found != lines.end()) index = static_cast<int>(found - lines.begin());
        return index >= 0;
      },
      timeout_ms);
  return index;
}

std::string RestoreFact(const RECT& area) {
  return "restore " + std::to_string(area.left) + " " + std::to_string(area.top) + " " + std::to_string(area.right) +
         " " + std::to_string(area.bottom);
}

Snapshot TakeSnapshot(const RECT& rect) {
  Snapshot shot;
  shot.rect = rect;
  const int width = shot.Width();
  const int height = shot.Height();
  shot.pixels.assign(static_cast<size_t>(width) * height, 0);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = source[i] & 0xFFFFFFu;
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

namespace {
int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }
int Distance(uint32_t a, uint32_t b) {
  return std::max({std::abs(Channel(a, 16) - Channel(b, 16)), std::abs(Channel(a, 8) - Channel(b, 8)),
                   std::abs(Channel(a, 0) - Channel(b, 0))});
}
}  // namespace

int CountChanged(const Snapshot& before, const Snapshot& now, int tolerance) {
  int count = 0;
  const size_t n = std::min(before.pixels.size(), now.pixels.size());
  for (size_t i = 0; i < n; ++i)
    if (Distance(before.pixels[i], now.pixels[i]) > tolerance) ++count;
  return count;
}

void MarkUnchanged(const Snapshot& before, const Snapshot& now, std::vector<bool>& seen, int tolerance) {
  const size_t n = std::min({before.pixels.size(), now.pixels.size(), seen.size()});
  for (size_t i = 0; i < n; ++i)
    if (Distance(before.pixels[i], now.pixels[i]) <= tolerance) seen[i] = true;
}

bool AllSet(const std::vector<bool>& flags) { return std::find(flags.begin(), flags.end(), false) == flags.end(); }

int CountLeafPixels(const Snapshot& before, const Snapshot& now) {
  int count = 0;
  const size_t n = std::min(before.pixels.size(), now.pixels.size());
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = before.pixels[i];
    const uint32_t b = now.pixels[i];
    const int red_gain = Channel(b, 16) - Channel(a, 16);
    const int blue_gain = Channel(b, 0) - Channel(a, 0);
    if (Distance(a, b) > 24 && red_gain - blue_gain > 24) ++count;
  }
  return count;
}

int CountNear(const Snapshot& shot, uint32_t rgb, int tolerance) {
  int count = 0;
  for (uint32_t pixel : shot.pixels)
    if (Distance(pixel, rgb) <= tolerance) ++count;
  return count;
}

RECT SampleRect() { return RECT{0, 0, 340, 768}; }

void RepaintDesktop() {
  // No window named: the desktop with every window on it. (The wallpaper setting would repaint
  // too, but asked for with no path it drops a wallpaper that a case has set.)
  RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool BringToFront(HWND window, DWORD timeout_ms) {
  SetForegroundWindow(window);
  return WaitFor([&] { return GetForegroundWindow() == window; }, timeout_ms);
}

void PressKey(WORD virtual_key) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = virtual_key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

namespace {

std::string ClassOf(HWND window) {
  char name[128] = "(none)";
  if (window) GetClassNameA(window, name, sizeof name);
  return name;
}

// Where the system sends keys now, for the log of a press that ended nothing.
std::string KeyboardRoute(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return "foreground " + ClassOf(GetForegroundWindow()) + ", the saver's active " + ClassOf(info.hwndActive) +
         ", focus " + ClassOf(info.hwndFocus);
}

}  // namespace

bool EscapeEndsSaver(Context& ctx, SaverProcess& saver, HWND window, int presses) {
  for (int press = 0; press < presses; ++press) {
    BringToFront(window);
    PressKey(VK_ESCAPE);
    if (saver.WaitExit(10000)) return true;
    ctx.Note("Esc press " + std::to_string(press + 1) + " ended nothing: " + KeyboardRoute(window));
  }
  // Once in a full suite Wine routed no press to the saver after a monitor went, though it
  // named the saver's window the foreground. The key then goes to the window itself, so that
  // what the case checks (what Esc leaves behind) is still checked.
  PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
  if (!saver.WaitExit(10000)) return false;
  ctx.Note("Esc reached the saver only as a message to its window");
  return true;
}

// Wine carries a cursor move to the X server and back, and the crossing event that comes back
// may carry the position from before the move: the wineserver then holds that old position
// until its reading is 100 ms old, after which every process asks the X server itself. So a
// move has arrived for every process, the saver included, only once the new position has read
// back unchanged for longer than that; an old position read meanwhile starts that over, and a
// cursor that does not settle within a second is placed again.
void MoveCursor(int x, int y) {
  constexpr ULONGLONG kSettledMs = 150;
  ULONGLONG held_since = 0;
  auto settled = [&] {
    POINT p{};
    if (!GetCursorPos(&p) || p.x != x || p.y != y) {
      held_since = 0;
      return false;
    }
    if (held_since == 0) held_since = GetTickCount64();
    return GetTickCount64() - held_since > kSettledMs;
  };
  for (int attempt = 0; attempt < 5; ++attempt) {
    SetCursorPos(x, y);
    held_since = 0;
    if (WaitFor(settled, 1000, 5)) return;
  }
}

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

void CreateEmptySettingsKey() {
  DeleteSettingsKey();
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(key);
}

void WriteSettings(const std::vector<DWORD>& values) {
  CreateEmptySettingsKey();
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (size_t i = 0; i < values.size() && i < 7; ++i)
    RegSetValueExA(key, kSettingNames[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]), sizeof(DWORD));
  RegCloseKey(key);
}

bool ReadSettingsValue(const char* name, DWORD& type, DWORD& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = sizeof value;
  const bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

HWND WaitMessageBox(DWORD process_id, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        FindArgs args{process_id, "#32770", nullptr};
        EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&args));
        found = args.found;
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string MessageBoxText(HWND box) {
  // The text of a message box is its static control 0xFFFF.
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

void DismissMessageBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

}  // namespace e2e
