// What the settings dialog does with its controls, apart from the window that shows them.
//
// The dialog keeps no copy of the settings: it reads them from the saver running behind it and
// hands each change to that saver's run, which restarts the cycles or sets the pace on every
// screen. The controls are reached through DialogControls, which the window implements over
// the real track bars and check boxes and the tests fake.
#pragma once

#include <cstdint>
#include <functional>

#include "run/saver_host.h"
#include "engine/settings.h"
#include "win32/settings/live_saver.h"
#include "surfaces/types.h"

namespace ambervale {

// The four sliders in tab order and the two check boxes.
enum class DialogSlider { Algorithm, Size, Opacity, Fast };
enum class DialogCheckBox { ExitOnInput, RandomAlgorithm };

inline constexpr DialogSlider kDialogSliders[] = {DialogSlider::Algorithm, DialogSlider::Size, DialogSlider::Opacity,
                                                  DialogSlider::Fast};
inline constexpr DialogCheckBox kDialogCheckBoxes[] = {DialogCheckBox::ExitOnInput, DialogCheckBox::RandomAlgorithm};

// The setting each control shows.
SettingId SettingOf(DialogSlider slider);
SettingId SettingOf(DialogCheckBox box);

struct SliderRange {
  int32_t min;
  int32_t max;
  int32_t design;  // the position a freshly made slider shows
};

// A slider spans its setting's range and starts at its minimum.
SliderRange RangeOf(DialogSlider slider);
// A slider pulls a value outside its range to the nearer end.
int32_t ClampToSlider(DialogSlider slider, int64_t value);

// Where the dialog goes on a screen: centred horizontally, its bottom edge 50 pixels above the
// bottom of the screen. Sizes are those of the whole window.
Point DialogPosition(int32_t screen_width, int32_t screen_height, int32_t window_width, int32_t window_height);

// The dialog's controls as the handlers see them. Placing a position or a check through this
// interface does not notify anyone: the logic fires the handlers itself, as the toolkit would.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  virtual int32_t SliderPosition(DialogSlider slider) const = 0;
  virtual void PlaceSlider(DialogSlider slider, int32_t position) = 0;
  virtual bool IsChecked(DialogCheckBox box) const = 0;
  virtual void PlaceCheck(DialogCheckBox box, bool checked) = 0;
};

class SettingsDialogLogic {
 public:
  // `save` writes the seven settings as they stand; it raises when they cannot be written.
  SettingsDialogLogic(LiveSaver& saver, DialogControls& controls, std::function<void()> save);

  // The part of the dialog's creation that follows the saver window's creation and the
  // dialog's placement: sliders from the settings (Algorithm, Size, Opacity, Fast), then
  // the check boxes, then the saver is held by the dialog.
  void ShowSettings();

  // Setting a control the way the program does: a slider clamps the value and fires its change
  // handler when the position moves; a check box fires its click handler when its state flips.
  void SetSlider(DialogSlider slider, int64_t value);
  void SetCheckBox(DialogCheckBox box, bool checked);

  // A control the user moved: its setting goes to the run.
  void SliderChanged(DialogSlider slider);
  void CheckBoxClicked(DialogCheckBox box);

  void SaveClicked();   // "Save Settings": errors propagate to the caller's error handler
  void CloseClicked();  // "Close"

  // True when the key closes the dialog (Esc); every other key is left to the control.
  bool OnKeyDown(Key key);

  // The dialog is closing: the saver closes (restoring every screen), which ends the program.
  // Runs once, however many ways the close arrives.
  void Close();
  bool Closed() const { return closed_; }

 private:
  LiveSaver& saver_;
  DialogControls& controls_;
  std::function<void()> save_;
  bool closed_ = false;
};

}  // namespace ambervale
