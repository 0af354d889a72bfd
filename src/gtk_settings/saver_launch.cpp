#include "gtk_settings/saver_launch.h"

#include <unistd.h>

namespace ambervale {

std::string SaverProgram(Session session, const std::string& own_folder) {
  if (session == Session::kWayland) return own_folder + "/ambervale-wayland";
  const std::string beside = own_folder + "/ambervale";
  if (access(beside.c_str(), X_OK) == 0) return beside;
  return own_folder + "/" + AMBERVALE_X11_SAVER_FROM_BIN;
}

std::vector<std::string> TryCommand(Session session, const std::string& program, const LinuxSettings& values) {
  std::vector<std::string> command{program};
  if (session == Session::kX11) command.push_back("--fullscreen");
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    const int32_t value = ValueOf(values, spec.id);
    const std::string option(spec.option);
    if (spec.is_flag) {
      command.push_back(value ? "--" + option : "--no-" + option);
    } else {
      command.push_back("--" + option + "=" + std::to_string(value));
    }
  }
  if (session == Session::kWayland && values.desktop_picture)
    command.push_back(*values.desktop_picture ? "--desktop-picture" : "--no-desktop-picture");
  // A try is a look at the leaves: it never locks the session, whatever the file says.
  if (session == Session::kWayland) command.push_back("--no-lock-on-end");
  return command;
}

}  // namespace ambervale
