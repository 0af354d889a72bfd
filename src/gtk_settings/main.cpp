// ambervale-settings: the settings of the Linux savers, with a live preview, in a GTK 3 window
// (the toolkit of MATE and Xfce; it runs on X11 and Wayland alike).
#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "gtk_settings/settings_window.h"
#include "linux/program_main.h"
#include "linux/settings_file.h"

namespace {

// The name of the menu entry and of the AppStream file (data/).
constexpr const char* kApplicationId = "org.ambervale_screensaver.Settings";

constexpr const char* kUsage =
    "usage: ambervale-settings [--help]\n"
    "  Edits $XDG_CONFIG_HOME/ambervale/ambervale.conf (else ~/.config/ambervale/ambervale.conf),\n"
    "  the settings of ambervale and ambervale-wayland, with a live preview.\n"
    "  --help    this text\n";

std::string OwnFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<size_t>(length));
  return program.substr(0, program.rfind('/'));
}

std::unique_ptr<ambervale::SettingsWindow> window;

// A window that cannot be made has nowhere to show why: main says it.
void Activate(GtkApplication* application, gpointer) {
  ambervale::CatchAtEdge(ambervale::CallbackEdge::kGtkSignal, [application] {
    if (window) return gtk_window_present(GTK_WINDOW(window->Widget()));
    const std::string path = ambervale::SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    window = std::make_unique<ambervale::SettingsWindow>(application, path, OwnFolder());
  });
  if (!window) g_application_quit(G_APPLICATION(application));
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  // One window per start: no session bus is needed, and none is started.
  GtkApplication* application = gtk_application_new(kApplicationId, G_APPLICATION_NON_UNIQUE);
  // The app id on Wayland and the class on X11: menus and docks find the entry and its icon.
  g_set_prgname(kApplicationId);
  g_signal_connect(application, "activate", G_CALLBACK(Activate), nullptr);
  int status = g_application_run(G_APPLICATION(application), argc, argv);
  if (const std::exception_ptr failure = ambervale::TakeCaughtFailure()) {
    std::fprintf(stderr, "ambervale-settings: %s\n", ambervale::DescribeFailure(failure).c_str());
    status = 1;
  }
  if (window && window->Failed()) status = 1;  // shown in the window, and said on stderr
  window.reset();
  g_object_unref(application);
  return status;
}
