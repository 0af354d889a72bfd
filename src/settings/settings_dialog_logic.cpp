#include "settings/settings_dialog_logic.h"

#include <algorithm>
#include <utility>

#include "engine/geometry.h"
#include "engine/real_math.h"
#include "engine/saver_startup.h"

namespace ambervale {

SliderRange RangeOf(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: return {0, 12, 0};
    case DialogSlider::Size: return {0, 20, 0};
    case DialogSlider::Transparent: return {1, 10, 1};
    case DialogSlider::Fast: return {0, 50, 0};
  }
  return {0, 0, 0};
}

int32_t ClampToSlider(DialogSlider slider, int64_t value) {
  const SliderRange range = RangeOf(slider);
  return static_cast<int32_t>(std::clamp<int64_t>(value, range.min, range.max));
}

Point DialogPosition(int32_t screen_width, int32_t screen_height, int32_t window_width,
                     int32_t window_height) {
  return {Div(screen_width, 2) - Div(window_width, 2), screen_height - window_height - 50};
}

SettingsDialogLogic::SettingsDialogLogic(SaverState& state, LiveSaver& saver,
                                         DialogControls& controls, std::function<void()> save)
    : state_(state), saver_(saver), controls_(controls), save_(std::move(save)) {}

void SettingsDialogLogic::ShowSettings() {
  SetTrackBar(DialogSlider::Algorithm, state_.Algorithm);
  SetTrackBar(DialogSlider::Size, state_.Size);
  SetTrackBar(DialogSlider::Transparent, state_.Transparent);
  SetTrackBar(DialogSlider::Fast, state_.Fast);
  SetCheckBox(DialogCheckBox::KeyExit, state_.Key_Exit);
  SetCheckBox(DialogCheckBox::RandomAlgorithm, state_.Rands_Algorithm);
  state_.ConfigMode = true;
}

void SettingsDialogLogic::SetTrackBar(DialogSlider slider, int64_t value) {
  const int32_t position = ClampToSlider(slider, value);
  if (position == controls_.TrackBarPosition(slider)) return;
  controls_.PlaceTrackBar(slider, position);
  TrackBarChange(slider);
}

void SettingsDialogLogic::SetCheckBox(DialogCheckBox box, bool checked) {
  if (checked == controls_.IsChecked(box)) return;
  controls_.PlaceCheck(box, checked);
  CheckBoxClick(box);
}

void SettingsDialogLogic::TrackBarChange(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: TrackBar1Change(); break;
    case DialogSlider::Size: TrackBar2Change(); break;
    case DialogSlider::Transparent: TrackBar3Change(); break;
    case DialogSlider::Fast: TrackBar4Change(); break;
  }
}

void SettingsDialogLogic::Restart() {
  state_.FadeStep = 0;
  saver_.UpScreen();
}

// The positions come from the controls, which keep them inside the slider ranges, so each one
// fits the byte of its setting.
void SettingsDialogLogic::TrackBar1Change() {
  const int32_t position = ClampToSlider(DialogSlider::Algorithm, controls_.TrackBarPosition(DialogSlider::Algorithm));
  if (state_.Algorithm == position) return;
  state_.Algorithm = static_cast<uint8_t>(position);
  Restart();
}

void SettingsDialogLogic::TrackBar2Change() {
  const int32_t position = ClampToSlider(DialogSlider::Size, controls_.TrackBarPosition(DialogSlider::Size));
  if (state_.Size == position) return;
  state_.Size = static_cast<uint8_t>(position);
  ApplyDialogGeometry(state_);
  Restart();
}

void SettingsDialogLogic::TrackBar3Change() {
  const int32_t position =
      ClampToSlider(DialogSlider::Transparent, controls_.TrackBarPosition(DialogSlider::Transparent));
  if (state_.Transparent == position) return;
  state_.Transparent = static_cast<uint8_t>(position);
  Restart();
}

void SettingsDialogLogic::TrackBar4Change() {
  const int32_t position = ClampToSlider(DialogSlider::Fast, controls_.TrackBarPosition(DialogSlider::Fast));
  if (state_.Fast != position) state_.Fast = static_cast<uint8_t>(position);
  saver_.SetTimerInterval(TickInterval(static_cast<uint8_t>(position)));
}

void SettingsDialogLogic::CheckBoxClick(DialogCheckBox box) {
  if (box == DialogCheckBox::KeyExit) {
    CheckBox1Click();
  } else {
    CheckBox2Click();
  }
}

void SettingsDialogLogic::CheckBox1Click() { state_.Key_Exit = controls_.IsChecked(DialogCheckBox::KeyExit); }

void SettingsDialogLogic::CheckBox2Click() {
  state_.Rands_Algorithm = controls_.IsChecked(DialogCheckBox::RandomAlgorithm);
}

void SettingsDialogLogic::Button1Click() {
  if (save_) save_();
}

void SettingsDialogLogic::Button2Click() { FormClose(); }

bool SettingsDialogLogic::FormKeyDown(uint16_t key) { return key == kEscapeKey && !closed_; }

void SettingsDialogLogic::FormClose() {
  if (closed_) return;
  closed_ = true;
  state_.CloseAllowed = true;
  saver_.UpScreen();
  saver_.CloseSaver();
}

}  // namespace ambervale
