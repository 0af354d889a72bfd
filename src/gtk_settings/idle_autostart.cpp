#include "gtk_settings/idle_autostart.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linux/settings_file.h"

namespace ambervale {
namespace {

constexpr std::string_view kExec = "Exec=ambervale-wayland --idle ";

}  // namespace

std::string IdleAutostartPath(const std::string& settings_file_path) {
  const size_t folder = settings_file_path.rfind("/ambervale/");
  if (folder == std::string::npos) return {};
  return settings_file_path.substr(0, folder) + "/autostart/ambervale-wayland-idle.desktop";
}

int IdleMinutesOf(std::string_view entry) {
  const size_t at = entry.find(kExec);
  if (at == std::string_view::npos) return 0;
  long seconds = 0;
  for (size_t i = at + kExec.size(); i < entry.size() && entry[i] >= '0' && entry[i] <= '9' && seconds < 86400; ++i)
    seconds = seconds * 10 + (entry[i] - '0');
  return static_cast<int>((seconds + 59) / 60);
}

std::string SetIdleAutostart(const std::string& path, int minutes) {
  if (minutes <= 0) {
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) return "cannot remove " + path + ": " + std::strerror(errno);
    return {};
  }
  return SaveFileAtomically(path,
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Ambervale idle watcher\n"
                            "Comment=Shows the Ambervale screensaver after a time without input\n" +
                                std::string(kExec) + std::to_string(minutes * 60) +
                                "\n"
                                "Terminal=false\n"
                                "NoDisplay=true\n"
                                "X-GNOME-Autostart-enabled=true\n");
}

}  // namespace ambervale
