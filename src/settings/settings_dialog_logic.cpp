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
  SetSlider(DialogSlider::Algorithm, state_.settings.algorithm);
  SetSlider(DialogSlider::Size, state_.settings.size);
  SetSlider(DialogSlider::Transparent, state_.settings.transparent);
  SetSlider(DialogSlider::Fast, state_.settings.fast);
  SetCheckBox(DialogCheckBox::KeyExit, state_.settings.exit_on_input);
  SetCheckBox(DialogCheckBox::RandomAlgorithm, state_.settings.random_algorithm);
  state_.behind_dialog = true;
}

void SettingsDialogLogic::SetSlider(DialogSlider slider, int64_t value) {
  const int32_t position = ClampToSlider(slider, value);
  if (position == controls_.SliderPosition(slider)) return;
  controls_.PlaceSlider(slider, position);
  SliderChanged(slider);
}

void SettingsDialogLogic::SetCheckBox(DialogCheckBox box, bool checked) {
  if (checked == controls_.IsChecked(box)) return;
  controls_.PlaceCheck(box, checked);
  CheckBoxClicked(box);
}

void SettingsDialogLogic::SliderChanged(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: AlgorithmChanged(); break;
    case DialogSlider::Size: SizeChanged(); break;
    case DialogSlider::Transparent: TransparencyChanged(); break;
    case DialogSlider::Fast: PaceChanged(); break;
  }
}

void SettingsDialogLogic::Restart() {
  state_.cycle.fade_step = 0;
  saver_.RestoreAndRestart();
}

// The positions come from the controls, which keep them inside the slider ranges, so each one
// fits the byte of its setting.
void SettingsDialogLogic::AlgorithmChanged() {
  const int32_t position = ClampToSlider(DialogSlider::Algorithm, controls_.SliderPosition(DialogSlider::Algorithm));
  if (state_.settings.algorithm == position) return;
  state_.settings.algorithm = static_cast<uint8_t>(position);
  Restart();
}

void SettingsDialogLogic::SizeChanged() {
  const int32_t position = ClampToSlider(DialogSlider::Size, controls_.SliderPosition(DialogSlider::Size));
  if (state_.settings.size == position) return;
  state_.settings.size = static_cast<uint8_t>(position);
  ApplyDialogGeometry(state_);
  Restart();
}

void SettingsDialogLogic::TransparencyChanged() {
  const int32_t position =
      ClampToSlider(DialogSlider::Transparent, controls_.SliderPosition(DialogSlider::Transparent));
  if (state_.settings.transparent == position) return;
  state_.settings.transparent = static_cast<uint8_t>(position);
  Restart();
}

void SettingsDialogLogic::PaceChanged() {
  const int32_t position = ClampToSlider(DialogSlider::Fast, controls_.SliderPosition(DialogSlider::Fast));
  if (state_.settings.fast != position) state_.settings.fast = static_cast<uint8_t>(position);
  saver_.SetTimerInterval(TickInterval(static_cast<uint8_t>(position)));
}

void SettingsDialogLogic::CheckBoxClicked(DialogCheckBox box) {
  if (box == DialogCheckBox::KeyExit) {
    ExitOnInputClicked();
  } else {
    RandomAlgorithmClicked();
  }
}

void SettingsDialogLogic::ExitOnInputClicked() { state_.settings.exit_on_input = controls_.IsChecked(DialogCheckBox::KeyExit); }

void SettingsDialogLogic::RandomAlgorithmClicked() {
  state_.settings.random_algorithm = controls_.IsChecked(DialogCheckBox::RandomAlgorithm);
}

void SettingsDialogLogic::SaveClicked() {
  if (save_) save_();
}

void SettingsDialogLogic::CloseClicked() { Close(); }

bool SettingsDialogLogic::OnKeyDown(uint16_t key) { return key == kEscapeKey && !closed_; }

void SettingsDialogLogic::Close() {
  if (closed_) return;
  closed_ = true;
  state_.close_allowed = true;
  saver_.RestoreAndRestart();
  saver_.CloseSaver();
}

}  // namespace ambervale
