// What the settings dialog needs of the saver running behind it. The saver window
// implements it; native tests use a recording fake.
#pragma once

#include <cstdint>

namespace ambervale {

class LiveSaver {
 public:
  virtual ~LiveSaver() = default;
  virtual void RestoreAndRestart() = 0;                             // restore the screen, start a new cycle
  virtual void SetTimerInterval(uint32_t milliseconds) = 0;  // the tick's pace
  virtual void CloseSaver() = 0;                           // the saver window's close request
};

}  // namespace ambervale
