#include "gtk_settings/settings_model.h"

namespace ambervale {
namespace {

// The settings the window has a control for.
constexpr SettingId kShown[] = {SettingId::kAlgorithm, SettingId::kRandomAlgorithm, SettingId::kSize,
                                SettingId::kOpacity, SettingId::kFast};

}  // namespace

SettingsModel::SettingsModel(std::string config_path) : config_path_(std::move(config_path)) {
  if (!config_path_.empty()) file_ = ReadSettingsFile(config_path_);
  values_ = file_.file.Values();
  for (const SettingId id : kShown) SetValue(values_, id, ClampToRange(id, ValueOf(values_, id)));
}

bool SettingsModel::Change(SettingId id, int32_t value) {
  value = ClampToRange(id, value);
  if (value == ValueOf(values_, id)) return false;
  SetValue(values_, id, value);
  return true;
}

std::string SettingsModel::Problems() const {
  if (config_path_.empty()) return "Neither XDG_CONFIG_HOME nor HOME names a folder: Save is off.";
  std::string problems;
  if (!file_.Readable()) problems = file_.error + ". Save is off, so that it is not replaced.\n";
  if (!file_.file.Skipped().empty())
    problems += "Lines of the settings file that could not be read (Save keeps them as they are):\n";
  for (const SkippedLine& line : file_.file.Skipped()) problems += DescribeSkippedLine(config_path_, line) + "\n";
  return problems;
}

SettingsModel::Status SettingsModel::Save() {
  if (!CanSave()) return {"Save is off", true};
  const std::string text = file_.file.Render(values_);
  if (const std::string error = SaveFileAtomically(config_path_, text); !error.empty())
    return {"Not saved: " + error, true};
  // What is on disk now is what the next Save edits.
  file_.file = SettingsFile(text);
  return {"Saved to " + config_path_, false};
}

}  // namespace ambervale
