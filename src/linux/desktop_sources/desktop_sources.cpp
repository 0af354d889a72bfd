#include "linux/desktop_sources/desktop_sources.h"

#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "linux/callback_edge.h"

namespace ambervale {
namespace {

using Clock = std::chrono::steady_clock;
// A D-Bus answer, a picture's bytes or the portal's response: each waits this long at most.
constexpr int kCallTimeoutMs = 3000;
// The portal's answer where someone is there to answer its question (the settings window).
constexpr int kQuestionTimeoutMs = 30000;

constexpr const char* kKwinName = "org.kde.KWin.ScreenShot2";
constexpr const char* kKwinPath = "/org/kde/KWin/ScreenShot2";
constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kPortalInterface = "org.freedesktop.portal.Screenshot";

bool DesktopIs(const char* name) {
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktops == nullptr) return false;
  std::stringstream list(desktops);
  for (std::string part; std::getline(list, part, ':');)
    if (part == name) return true;
  return false;
}

std::string ErrorText(GError* error) {
  std::string text = error ? error->message : "failed";
  if (error) g_error_free(error);
  return text;
}

// GLib's strings and variants freed at the end of a scope.
struct VariantRef {
  GVariant* value = nullptr;
  ~VariantRef() {
    if (value) g_variant_unref(value);
  }
};

bool NameHasOwner(GDBusConnection* bus, const char* name) {
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
  if (!reply) return false;
  gboolean owned = FALSE;
  g_variant_get(reply, "(b)", &owned);
  g_variant_unref(reply);
  return owned;
}

// All of a pipe's bytes until its writer closes it, or none after kCallTimeoutMs.
std::optional<std::vector<uint8_t>> ReadPipe(int fd) {
  std::vector<uint8_t> bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kCallTimeoutMs);
  uint8_t chunk[65536];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd in{fd, POLLIN, 0};
    if (left <= 0 || poll(&in, 1, static_cast<int>(left)) <= 0) return std::nullopt;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got == 0) return bytes;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return std::nullopt;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
}

// A gdk-pixbuf picture as 0x00RRGGBB, any alpha laid over `colour`.
DesktopPicture FromPixbuf(GdkPixbuf* pixbuf, uint32_t colour) {
  const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < 3 || width <= 0 || height <= 0) return {};
  DesktopPicture picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < height; ++y) {
    const guint8* p = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x, p += channels) {
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const uint32_t under = (colour >> (16 - 8 * c)) & 0xFF, a = alpha ? p[3] : 255;
        out = (out << 8) | ((p[c] * a + under * (255 - a) + 127) / 255);
      }
      picture.pixels[static_cast<size_t>(y) * width + x] = out;
    }
  }
  return picture;
}

std::optional<DesktopPicture> LoadPicture(const std::string& path, uint32_t colour, std::string& why) {
  GError* error = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
  if (!pixbuf) {
    why = "cannot read " + path + ": " + ErrorText(error);
    return std::nullopt;
  }
  DesktopPicture picture = FromPixbuf(pixbuf, colour);
  g_object_unref(pixbuf);
  if (picture.pixels.empty()) why = path + " has a pixel format this program does not read";
  if (picture.pixels.empty()) return std::nullopt;
  return picture;
}

// The part of a picture of the whole desktop that one screen shows, at the picture's scale.
DesktopPicture PartOf(const DesktopPicture& whole, const ScreenArea& screen, const ScreenArea& desktop) {
  if (desktop.width <= 0 || desktop.height <= 0) return whole;
  const int64_t left = int64_t{screen.x - desktop.x} * whole.width / desktop.width;
  const int64_t top = int64_t{screen.y - desktop.y} * whole.height / desktop.height;
  const int64_t width = std::max<int64_t>(1, int64_t{screen.width} * whole.width / desktop.width);
  const int64_t height = std::max<int64_t>(1, int64_t{screen.height} * whole.height / desktop.height);
  if (left < 0 || top < 0 || left + width > whole.width || top + height > whole.height) return whole;
  DesktopPicture part{static_cast<int32_t>(width), static_cast<int32_t>(height), {}};
  part.pixels.reserve(static_cast<size_t>(width * height));
  for (int64_t y = top; y < top + height; ++y) {
    const auto row = whole.pixels.begin() + y * whole.width + left;
    part.pixels.insert(part.pixels.end(), row, row + width);
  }
  return part;
}

// ---- the user's wallpaper ----------------------------------------------------

struct Wallpaper {
  std::string file;  // empty: the colour alone
  WallpaperPlacement placement = WallpaperPlacement::kZoom;
  uint32_t colour = 0;
};

// GSettings' value of a key, or none where the schema is not installed (g_settings_new would abort).
std::optional<std::string> GnomeSetting(const char* schema_id, const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schema_id, TRUE) : nullptr;
  if (!schema) return std::nullopt;
  const bool has_key = g_settings_schema_has_key(schema, key);
  g_settings_schema_unref(schema);
  if (!has_key) return std::nullopt;
  GSettings* settings = g_settings_new(schema_id);
  GVariant* value = g_settings_get_value(settings, key);
  std::optional<std::string> text;
  if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) text = g_variant_get_string(value, nullptr);
  g_variant_unref(value);
  g_object_unref(settings);
  return text;
}

std::optional<Wallpaper> GnomeWallpaper(const ScreenArea& screen, std::string& why) {
  const auto options = GnomeSetting("org.gnome.desktop.background", "picture-options");
  if (!options) {
    why = "GNOME's background settings are not installed";
    return std::nullopt;
  }
  Wallpaper wallpaper;
  wallpaper.placement = GnomePlacement(*options).value_or(WallpaperPlacement::kZoom);
  wallpaper.colour =
      ParseColour(GnomeSetting("org.gnome.desktop.background", "primary-color").value_or("")).value_or(0x023C88);
  const bool dark = GnomeSetting("org.gnome.desktop.interface", "color-scheme").value_or("") == "prefer-dark";
  std::string uri =
      GnomeSetting("org.gnome.desktop.background", dark ? "picture-uri-dark" : "picture-uri").value_or("");
  if (dark && uri.empty()) uri = GnomeSetting("org.gnome.desktop.background", "picture-uri").value_or("");
  if (uri.empty() || wallpaper.placement == WallpaperPlacement::kNone) return wallpaper;
  const std::optional<std::string> path = PathOfUri(uri);
  if (!path) {
    why = "the wallpaper " + uri + " is not a local file";
    return std::nullopt;
  }
  wallpaper.file = *path;
  if (path->ends_with(".xml")) {  // a slideshow, or Debian's sizes of one picture
    std::ifstream file(*path);
    std::stringstream text;
    text << file.rdbuf();
    const std::optional<std::string> image = SlideshowImage(text.str(), screen.width, screen.height);
    if (!image) {
      why = "no picture named in " + *path;
      return std::nullopt;
    }
    wallpaper.file = *image;
  }
  return wallpaper;
}

std::string ConfigHome() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') return config;
  const char* home = std::getenv("HOME");
  return home ? std::string(home) + "/.config" : std::string();
}

std::optional<Wallpaper> PlasmaWallpaperOf(const ScreenArea& screen, std::string& why) {
  const std::string path = ConfigHome() + "/plasma-org.kde.plasma.desktop-appletsrc";
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  std::optional<PlasmaWallpaper> found = file ? ParsePlasmaWallpaper(text.str()) : std::nullopt;
  // Plasma's own default, where the user has chosen none.
  if (!found) found = PlasmaWallpaper{"/usr/share/wallpapers/Next/"};
  std::string image = PathOfUri(found->image).value_or(found->image);
  std::error_code error;
  if (std::filesystem::is_directory(image, error)) {  // a wallpaper package: the best size
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(image + "/contents/images", error))
      names.push_back(entry.path().filename().string());
    const std::string name = NearestPackageImage(names, screen.width, screen.height);
    if (name.empty()) {
      why = "the wallpaper package " + image + " holds no images";
      return std::nullopt;
    }
    image += "/contents/images/" + name;
  }
  return Wallpaper{image, found->placement, found->colour};
}

}  // namespace

// ---- the sources -----------------------------------------------------------

struct DesktopSources::Session {
  enum class State { kUntried, kWorks, kFailed };
  GDBusConnection* bus = nullptr;
  std::string bus_error;
  State kwin = State::kUntried;
  State portal = State::kUntried;
  int portal_wait_ms = kCallTimeoutMs;
  std::optional<DesktopPicture> portal_picture;  // the whole desktop, taken once
  State wallpaper = State::kUntried;
  Wallpaper wallpaper_setting;
  DesktopPicture wallpaper_picture;

  Session() {
    GError* error = nullptr;
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) bus_error = "no session bus: " + ErrorText(error);
  }
  ~Session() {
    if (bus) g_object_unref(bus);
  }

  std::optional<DesktopPicture> Kwin(const ScreenArea& screen, std::string& why);
  std::optional<DesktopPicture> Portal(std::string& why);
  std::optional<DesktopPicture> UserWallpaper(const ScreenArea& screen, const ScreenArea& desktop, std::string& why);
};

// KWin answers only a program whose installed desktop entry names its interface in
// X-KDE-DBUS-Restricted-Interfaces, matched by the caller's executable (/proc/PID/exe) against
// the entry's Exec. The screen's area, at its real pixels; the picture's raw bytes come through a pipe.
std::optional<DesktopPicture> DesktopSources::Session::Kwin(const ScreenArea& screen, std::string& why) {
  if (!bus) return why = bus_error, std::nullopt;
  if (!NameHasOwner(bus, kKwinName)) return why = "not on the session bus", std::nullopt;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return why = std::strerror(errno), std::nullopt;
  GUnixFDList* fd_list = g_unix_fd_list_new_from_array(&fds[1], 1);  // takes the writing end
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&options, "{sv}", "native-resolution", g_variant_new_boolean(TRUE));
  GError* error = nullptr;
  VariantRef reply{g_dbus_connection_call_with_unix_fd_list_sync(
      bus, kKwinName, kKwinPath, kKwinName, "CaptureArea",
      g_variant_new("(iiuua{sv}h)", screen.x, screen.y, static_cast<guint32>(screen.width),
                    static_cast<guint32>(screen.height), &options, 0),
      G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, fd_list, nullptr, nullptr, &error)};
  g_object_unref(fd_list);
  std::optional<std::vector<uint8_t>> bytes;
  if (reply.value) bytes = ReadPipe(fds[0]);
  close(fds[0]);
  if (!reply.value) return why = ErrorText(error), std::nullopt;
  if (!bytes) return why = "the picture did not arrive", std::nullopt;
  guint32 width = 0, height = 0, stride = 0, format = 0;
  GVariant* results = g_variant_get_child_value(reply.value, 0);
  g_variant_lookup(results, "width", "u", &width);
  g_variant_lookup(results, "height", "u", &height);
  g_variant_lookup(results, "stride", "u", &stride);
  g_variant_lookup(results, "format", "u", &format);
  g_variant_unref(results);
  // QImage's 32-bit formats whose pixels are 0xAARRGGBB words: RGB32, ARGB32, its premultiplied form.
  const bool words = format == 4 || format == 5 || format == 6;
  if (!words || width == 0 || height == 0 || width > 32767 || height > 32767 || stride < width * 4 ||
      bytes->size() < static_cast<size_t>(stride) * height)
    return why = "a picture this program does not read (format " + std::to_string(format) + ")", std::nullopt;
  DesktopPicture picture{static_cast<int32_t>(width), static_cast<int32_t>(height), {}};
  picture.pixels.resize(static_cast<size_t>(width) * height);
  for (guint32 y = 0; y < height; ++y) {
    std::memcpy(picture.pixels.data() + static_cast<size_t>(y) * width, bytes->data() + static_cast<size_t>(y) * stride,
                width * 4);
  }
  for (uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFFu;
  return picture;
}

namespace {

struct PortalWait {
  GMainContext* context = nullptr;
  bool answered = false;
  guint32 response = 2;
  std::string uri;
};

void OnPortalResponse(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
                      gpointer data) {
  CatchAtEdge(CallbackEdge::kGlibSource, [&] {
    auto* wait = static_cast<PortalWait*>(data);
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &wait->response, &results);
    const char* uri = nullptr;
    if (g_variant_lookup(results, "uri", "&s", &uri)) wait->uri = uri;
    g_variant_unref(results);
    wait->answered = true;
  });
}

}  // namespace

// The portal's non-interactive screenshot: where it asks the user first, the wait ends and the
// request is withdrawn. GNOME's backend has the Shell flash the screen and play the shutter
// sound, so on GNOME the wallpaper comes first.
std::optional<DesktopPicture> DesktopSources::Session::Portal(std::string& why) {
  if (DesktopIs("GNOME")) return why = "GNOME's portal flashes the screen and plays a shutter sound", std::nullopt;
  if (!bus) return why = bus_error, std::nullopt;
  if (!NameHasOwner(bus, kPortalName)) return why = "not on the session bus", std::nullopt;
  // The request's path is known before the call, so that its answer cannot come before the match.
  std::string sender = g_dbus_connection_get_unique_name(bus) + 1;
  for (char& c : sender)
    if (c == '.') c = '_';
  const std::string token = "ambervale" + std::to_string(getpid());
  const std::string request = std::string(kPortalPath) + "/request/" + sender + "/" + token;
  PortalWait wait;
  wait.context = g_main_context_new();
  g_main_context_push_thread_default(wait.context);
  const guint subscription = g_dbus_connection_signal_subscribe(
      bus, kPortalName, "org.freedesktop.portal.Request", "Response", request.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, OnPortalResponse, &wait, nullptr);
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
  g_variant_builder_add(&options, "{sv}", "interactive", g_variant_new_boolean(FALSE));
  g_variant_builder_add(&options, "{sv}", "modal", g_variant_new_boolean(FALSE));
  GError* error = nullptr;
  VariantRef reply{g_dbus_connection_call_sync(bus, kPortalName, kPortalPath, kPortalInterface, "Screenshot",
                                               g_variant_new("(sa{sv})", "", &options), G_VARIANT_TYPE("(o)"),
                                               G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, &error)};
  const auto deadline = Clock::now() + std::chrono::milliseconds(portal_wait_ms);
  while (reply.value && !wait.answered && Clock::now() < deadline) {
    if (!g_main_context_iteration(wait.context, FALSE)) usleep(10000);
  }
  g_dbus_connection_signal_unsubscribe(bus, subscription);
  g_main_context_pop_thread_default(wait.context);
  g_main_context_unref(wait.context);
  if (!reply.value) return why = ErrorText(error), std::nullopt;
  if (!wait.answered) {
    // Nobody is there to answer a question: withdraw it.
    g_dbus_connection_call(bus, kPortalName, request.c_str(), "org.freedesktop.portal.Request", "Close", nullptr,
                           nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    return why = "no answer without asking the user (the settings window asks once)", std::nullopt;
  }
  if (wait.response != 0) return why = "refused (response " + std::to_string(wait.response) + ")", std::nullopt;
  const std::optional<std::string> path = PathOfUri(wait.uri);
  if (!path) return why = "no local picture in its answer", std::nullopt;
  std::optional<DesktopPicture> picture = LoadPicture(*path, 0, why);
  // The picture was taken for this run alone: it does not stay among the user's screenshots.
  std::remove(path->c_str());
  return picture;
}

std::optional<DesktopPicture> DesktopSources::Session::UserWallpaper(const ScreenArea& screen,
                                                                     const ScreenArea& desktop, std::string& why) {
  if (wallpaper == State::kUntried) {
    std::optional<Wallpaper> setting;
    if (DesktopIs("GNOME")) {
      setting = GnomeWallpaper(screen, why);
    } else if (DesktopIs("KDE")) {
      setting = PlasmaWallpaperOf(screen, why);
    } else {
      why = "no wallpaper setting known for this desktop";
    }
    std::optional<DesktopPicture> picture;
    if (setting && !setting->file.empty()) picture = LoadPicture(setting->file, setting->colour, why);
    if (!setting || (!setting->file.empty() && !picture)) {
      wallpaper = State::kFailed;
      return std::nullopt;
    }
    wallpaper = State::kWorks;
    wallpaper_setting = *setting;
    if (picture) wallpaper_picture = std::move(*picture);
  }
  if (wallpaper == State::kFailed) return std::nullopt;
  return PlaceWallpaper(wallpaper_picture, wallpaper_setting.placement, wallpaper_setting.colour, screen, desktop);
}

DesktopSources::DesktopSources() : session_(std::make_unique<Session>()) {}

void DesktopSources::LetPortalAsk() { session_->portal_wait_ms = kQuestionTimeoutMs; }
DesktopSources::~DesktopSources() = default;

void DesktopSources::Failed(const std::string& source, const std::string& why) {
  failures_ += (failures_.empty() ? "" : "; ") + source + ": " + why;
}

DesktopPicture DesktopSources::PictureOf(const ScreenArea& screen, const ScreenArea& desktop) {
  using State = Session::State;
  Session& s = *session_;
  std::string why;
  last_source_.clear();
  // A source is asked until it fails once.
  auto attempt = [&](State& state, const char* name, auto take) -> std::optional<DesktopPicture> {
    if (state == State::kFailed) return std::nullopt;
    std::optional<DesktopPicture> picture = take();
    state = picture ? State::kWorks : State::kFailed;
    if (picture) last_source_ = name;
    if (!picture) Failed(name, why);
    return picture;
  };
  if (auto p = attempt(s.kwin, "KWin's ScreenShot2", [&] { return s.Kwin(screen, why); })) return std::move(*p);
  if (auto p = attempt(s.portal, "the desktop portal", [&] {
        if (!s.portal_picture) s.portal_picture = s.Portal(why);
        return s.portal_picture ? std::optional(PartOf(*s.portal_picture, screen, desktop)) : std::nullopt;
      }))
    return std::move(*p);
  if (s.wallpaper != State::kFailed) {
    if (auto p = s.UserWallpaper(screen, desktop, why)) {
      last_source_ = "the wallpaper";
      return std::move(*p);
    }
    Failed("the wallpaper", why);
  }
  return {};
}

std::string DesktopSources::ExpectedSource() {
  Session& s = *session_;
  if (s.bus && NameHasOwner(s.bus, kKwinName)) return "KWin's screenshot interface (KDE)";
  if (!DesktopIs("GNOME") && s.bus && NameHasOwner(s.bus, kPortalName)) return "the desktop portal's screenshot";
  if (DesktopIs("GNOME")) return "your wallpaper, as GNOME places it";
  if (DesktopIs("KDE")) return "your wallpaper, as Plasma places it";
  return "wlr-screencopy where the compositor offers it";
}

void CloseGnomeOverview() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return;
  if (NameHasOwner(bus, "org.gnome.Shell")) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
        g_variant_new("(ssv)", "org.gnome.Shell", "OverviewActive", g_variant_new_boolean(FALSE)), nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr);
    if (reply) g_variant_unref(reply);
  }
  g_object_unref(bus);
}

}  // namespace ambervale
