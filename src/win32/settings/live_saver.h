// What the settings dialog needs of the saver running behind it: the run's own doors. The
// saver window implements it over its run; native tests use a recording fake.
#pragma once

#include <cstdint>

#include "engine/settings.h"

namespace ambervale {

class LiveSaver {
 public:
  virtual ~LiveSaver() = default;
  // The settings as the run shows them (with Random on, the cycle's own layout as Algorithm):
  // what the dialog shows and its Save stores.
  virtual Settings CurrentSettings() const = 0;
  // A setting the user changed: the run takes it to every screen (a new cycle, the pace).
  virtual void ChangeSetting(SettingId id, int32_t value) = 0;
  // The dialog shows: no input ends the saver behind it.
  virtual void HoldBehindDialog() = 0;
  // The dialog closes: the saver's close is granted, every screen restored, the saver closed.
  virtual void CloseSaver() = 0;
};

}  // namespace ambervale
