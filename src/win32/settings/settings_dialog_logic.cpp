#include "win32/settings/settings_dialog_logic.h"

#include <utility>

#include "engine/real_math.h"

namespace ambervale {

SettingId SettingOf(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: return SettingId::kAlgorithm;
    case DialogSlider::Size: return SettingId::kSize;
    case DialogSlider::Opacity: return SettingId::kOpacity;
    case DialogSlider::Fast: return SettingId::kFast;
  }
  return SettingId::kAlgorithm;
}

SettingId SettingOf(DialogCheckBox box) {
  return box == DialogCheckBox::ExitOnInput ? SettingId::kExitOnInput : SettingId::kRandomAlgorithm;
}

SliderRange RangeOf(DialogSlider slider) {
  const SettingSpec& spec = SpecOf(SettingOf(slider));
  return {spec.min, spec.max, spec.min};
}

int32_t ClampToSlider(DialogSlider slider, int64_t value) { return ClampToRange(SettingOf(slider), value); }

Point DialogPosition(int32_t screen_width, int32_t screen_height, int32_t window_width, int32_t window_height) {
  return {Div(screen_width, 2) - Div(window_width, 2), screen_height - window_height - 50};
}

SettingsDialogLogic::SettingsDialogLogic(LiveSaver& saver, DialogControls& controls, std::function<void()> save)
    : saver_(saver), controls_(controls), save_(std::move(save)) {}

void SettingsDialogLogic::ShowSettings() {
  // Each control reads its setting when its turn comes: a restart fired by an earlier one may
  // have changed the next.
  for (DialogSlider slider : kDialogSliders) SetSlider(slider, ValueOf(saver_.CurrentSettings(), SettingOf(slider)));
  for (DialogCheckBox box : kDialogCheckBoxes) SetCheckBox(box, ValueOf(saver_.CurrentSettings(), SettingOf(box)) != 0);
  saver_.HoldBehindDialog();
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

// The position is clamped anyway, so that it always fits the setting's byte.
void SettingsDialogLogic::SliderChanged(DialogSlider slider) {
  saver_.ChangeSetting(SettingOf(slider), ClampToSlider(slider, controls_.SliderPosition(slider)));
}

void SettingsDialogLogic::CheckBoxClicked(DialogCheckBox box) {
  saver_.ChangeSetting(SettingOf(box), controls_.IsChecked(box) ? 1 : 0);
}

void SettingsDialogLogic::SaveClicked() {
  if (save_) save_();
}

void SettingsDialogLogic::CloseClicked() { Close(); }

bool SettingsDialogLogic::OnKeyDown(Key key) { return key == Key::kEscape && !closed_; }

void SettingsDialogLogic::Close() {
  if (closed_) return;
  closed_ = true;
  saver_.CloseSaver();
}

}  // namespace ambervale
