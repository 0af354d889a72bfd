// Facts of a run that only tests read. AMBERVALE_TEST_LOG names a file that gets one line for
// each event, as it happens, so that an end-to-end case waits for the event itself rather than
// for a picture that shows on the screen only for a moment:
//   restore LEFT TOP RIGHT BOTTOM   the desktop shown again over that screen area (a cycle's
//                                   end, a restart, the close)
//   screens COUNT                   a display change followed: the run's monitors laid anew
// Without the variable nothing is written.
#pragma once

#include <windows.h>

#include <string>

#include "surfaces/types.h"

namespace ambervale {

// An environment variable's value; "" when it is not set.
std::string EnvironmentValue(const char* name);

class TestLog {
 public:
  TestLog();
  ~TestLog();
  TestLog(const TestLog&) = delete;
  TestLog& operator=(const TestLog&) = delete;

  void Restored(const Rect& area);
  void ScreensFollowed(size_t count);

 private:
  void Write(const std::string& line);
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace ambervale
