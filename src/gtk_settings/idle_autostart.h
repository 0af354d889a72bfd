// "Start after N minutes of idle" on Wayland: an XDG autostart entry that runs
// `ambervale-wayland --idle SECONDS` at login; the watcher itself is ambervale-wayland's. Off
// is no entry at all. Free of GTK.
#pragma once

#include <string>
#include <string_view>

namespace ambervale {

// The entry beside the settings file's folder: <config home>/autostart/ambervale-wayland-idle.desktop.
std::string IdleAutostartPath(const std::string& settings_file_path);

// The minutes an entry's Exec line gives (whole minutes, rounded up); 0 for none or no entry.
int IdleMinutesOf(std::string_view entry);

// Writes the entry for `minutes` (1..1440), or removes it for 0. Empty, or what went wrong.
std::string SetIdleAutostart(const std::string& path, int minutes);

}  // namespace ambervale
