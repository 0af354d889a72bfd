// The settings window's values apart from GTK: what a change does, what Save writes, and when
// Save is off. The window's handlers pass each control's value here and show what comes back.
#pragma once

#include <string>

#include "linux/settings_file.h"

namespace ambervale {

class SettingsModel {
 public:
  // Reads the settings file at `config_path` (empty: there is no folder to keep it in). Values
  // outside a control's range are pulled in, as the Windows dialog does, and so saved.
  explicit SettingsModel(std::string config_path);

  const LinuxSettings& Values() const { return values_; }
  // One control's value, pulled into its range; true when it changed (the preview follows).
  bool Change(SettingId id, int32_t value);
  void SetDesktopPicture(bool on) { values_.desktop_picture = on; }
  void SetLockOnEnd(bool on) { values_.lock_on_end = on; }

  // Save is off where the file could not be read (Save would replace what it holds), where
  // there is no folder for it, and once a handler has failed.
  bool CanSave() const { return !stopped_ && file_.Readable() && !config_path_.empty(); }
  // What the window says above its controls: why Save is off, and the file's lines that could
  // not be read. Empty: nothing to say.
  std::string Problems() const;

  struct Status {
    std::string text;
    bool problem = false;
  };
  // Writes the values into the file, keeping its other lines; says where, or why not.
  Status Save();
  // A handler failed and may have left the values half-way: nothing more is saved.
  void Stop() { stopped_ = true; }

 private:
  std::string config_path_;
  SettingsFileRead file_;
  LinuxSettings values_;
  bool stopped_ = false;
};

}  // namespace ambervale
