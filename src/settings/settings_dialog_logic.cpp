#include "settings/settings_dialog_logic.h"

#include <utility>

#include "engine/geometry.h"
#include "engine/real_math.h"
#include "engine/saver_startup.h"

namespace ambervale {

SettingId SettingOf(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: return SettingId::kAlgorithm;
    case DialogSlider::Size: return SettingId::kSize;
    case DialogSlider::Transparent: return SettingId::kTransparent;
    case DialogSlider::Fast: return SettingId::kFast;
  }
  return SettingId::kAlgorithm;
}

SettingId SettingOf(DialogCheckBox box) {
  return box == DialogCheckBox::KeyExit ? SettingId::kExitOnInput : SettingId::kRandomAlgorithm;
}

SliderRange RangeOf(DialogSlider slider) {
  const SettingSpec& spec = SpecOf(SettingOf(slider));
  return {spec.min, spec.max, spec.min};
}

int32_t ClampToSlider(DialogSlider slider, int64_t value) { return ClampToRange(SettingOf(slider), value); }

Point DialogPosition(int32_t screen_width, int32_t screen_height, int32_t window_width,
                     int32_t window_height) {
  return {Div(screen_width, 2) - Div(window_width, 2), screen_height - window_height - 50};
}

SettingsDialogLogic::SettingsDialogLogic(SaverState& state, LiveSaver& saver,
                                         DialogControls& controls, std::function<void()> save)
    : state_(state), saver_(saver), controls_(controls), save_(std::move(save)) {}

void SettingsDialogLogic::ShowSettings() {
  // Each control reads its setting when its turn comes: a restart fired by an earlier one may
  // have changed the next.
  for (DialogSlider slider : kDialogSliders) SetSlider(slider, ValueOf(state_.settings, SettingOf(slider)));
  for (DialogCheckBox box : kDialogCheckBoxes) {
    SetCheckBox(box, ValueOf(state_.settings, SettingOf(box)) != 0);
  }
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

// Takes the slider's position into its setting; false when the setting already had it. The
// position is clamped anyway, so that it always fits the setting's byte.
bool SettingsDialogLogic::TakePosition(DialogSlider slider) {
  const int32_t position = ClampToSlider(slider, controls_.SliderPosition(slider));
  if (ValueOf(state_.settings, SettingOf(slider)) == position) return false;
  SetValue(state_.settings, SettingOf(slider), position);
  return true;
}

void SettingsDialogLogic::AlgorithmChanged() {
  if (TakePosition(DialogSlider::Algorithm)) Restart();
}

void SettingsDialogLogic::SizeChanged() {
  if (!TakePosition(DialogSlider::Size)) return;
  ApplyDialogGeometry(state_);
  Restart();
}

void SettingsDialogLogic::TransparencyChanged() {
  if (TakePosition(DialogSlider::Transparent)) Restart();
}

// The pace is handed to the timer even when it has not changed.
void SettingsDialogLogic::PaceChanged() {
  TakePosition(DialogSlider::Fast);
  saver_.SetTimerInterval(TickInterval(state_.settings.fast));
}

void SettingsDialogLogic::CheckBoxClicked(DialogCheckBox box) {
  if (box == DialogCheckBox::KeyExit) {
    ExitOnInputClicked();
  } else {
    RandomAlgorithmClicked();
  }
}

void SettingsDialogLogic::ExitOnInputClicked() { TakeCheck(DialogCheckBox::KeyExit); }

void SettingsDialogLogic::RandomAlgorithmClicked() { TakeCheck(DialogCheckBox::RandomAlgorithm); }

void SettingsDialogLogic::TakeCheck(DialogCheckBox box) {
  SetValue(state_.settings, SettingOf(box), controls_.IsChecked(box) ? 1 : 0);
}

void SettingsDialogLogic::SaveClicked() {
  if (save_) save_();
}

void SettingsDialogLogic::CloseClicked() { Close(); }

bool SettingsDialogLogic::OnKeyDown(Key key) { return key == Key::kEscape && !closed_; }

void SettingsDialogLogic::Close() {
  if (closed_) return;
  closed_ = true;
  state_.close_allowed = true;
  saver_.RestoreAndRestart();
  saver_.CloseSaver();
}

}  // namespace ambervale
