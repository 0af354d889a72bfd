#include "win32/test_log.h"

#include <vector>

namespace ambervale {

std::string EnvironmentValue(const char* name) {
  const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
  if (needed == 0) return {};
  std::vector<char> value(needed);
  const DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
  return length > 0 && length < needed ? std::string(value.data(), length) : std::string();
}

TestLog::TestLog() {
  const std::string path = EnvironmentValue("AMBERVALE_TEST_LOG");
  if (path.empty()) return;
  // Shared, so that the test reads it while the run writes; each line is one append.
  file_ = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TestLog::~TestLog() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

void TestLog::Restored(const Rect& area) {
  Write("restore " + std::to_string(area.left) + " " + std::to_string(area.top) + " " + std::to_string(area.right) +
        " " + std::to_string(area.bottom));
}

void TestLog::ScreensFollowed(size_t count) { Write("screens " + std::to_string(count)); }

void TestLog::Write(const std::string& line) {
  if (file_ == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace ambervale
