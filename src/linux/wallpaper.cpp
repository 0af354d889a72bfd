#include "linux/wallpaper.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <utility>

namespace ambervale {
namespace {

std::optional<int32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<int32_t> Number(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// How far a picture's size is from the wanted one: the nearest area, a smaller picture counting
// double (it would be enlarged); unknown sizes last.
int64_t SizeDistance(std::optional<int32_t> width, std::optional<int32_t> height, int32_t want_width,
                     int32_t want_height) {
  if (!width || !height || *width <= 0 || *height <= 0) return INT64_MAX - 1;
  const int64_t have = int64_t{*width} * *height, want = int64_t{want_width} * want_height;
  return have >= want ? have - want : 2 * (want - have);
}

// The text between `open` and the next `close` from `from` on; moves `from` past it.
std::optional<std::string_view> Between(std::string_view text, std::string_view open, std::string_view close,
                                        size_t& from) {
  const size_t start = text.find(open, from);
  if (start == std::string_view::npos) return std::nullopt;
  const size_t end = text.find(close, start + open.size());
  if (end == std::string_view::npos) return std::nullopt;
  from = end + close.size();
  return text.substr(start + open.size(), end - start - open.size());
}

// Where the whole picture lies, in desktop coordinates, for the placements that put it once.
ScreenArea PictureArea(int32_t image_width, int32_t image_height, WallpaperPlacement placement,
                       const ScreenArea& area) {
  const int64_t iw = image_width, ih = image_height, aw = area.width, ah = area.height;
  int64_t w = iw, h = ih;
  switch (placement) {
    case WallpaperPlacement::kStretched: w = aw, h = ah; break;
    case WallpaperPlacement::kScaled:  // fits: the smaller of the two ratios
      if (iw * ah <= ih * aw) {
        h = ah, w = std::max<int64_t>(1, iw * ah / ih);
      } else {
        w = aw, h = std::max<int64_t>(1, ih * aw / iw);
      }
      break;
    case WallpaperPlacement::kZoom:
    case WallpaperPlacement::kSpanned:  // covers: the larger of the two ratios
      if (iw * ah >= ih * aw) {
        h = ah, w = std::max<int64_t>(1, (iw * ah + ih - 1) / ih);
      } else {
        w = aw, h = std::max<int64_t>(1, (ih * aw + iw - 1) / iw);
      }
      break;
    default: break;  // centred and tiled: its own size
  }
  const int64_t x = area.x + (aw - w) / 2, y = area.y + (ah - h) / 2;
  return {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w), static_cast<int32_t>(h)};
}

}  // namespace

std::optional<WallpaperPlacement> GnomePlacement(std::string_view picture_options) {
  static constexpr std::array<std::pair<std::string_view, WallpaperPlacement>, 7> kNames = {{
      {"none", WallpaperPlacement::kNone},
      {"wallpaper", WallpaperPlacement::kTiled},
      {"centered", WallpaperPlacement::kCentered},
      {"scaled", WallpaperPlacement::kScaled},
      {"stretched", WallpaperPlacement::kStretched},
      {"zoom", WallpaperPlacement::kZoom},
      {"spanned", WallpaperPlacement::kSpanned},
  }};
  for (const auto& [name, placement] : kNames)
    if (name == picture_options) return placement;
  return std::nullopt;
}

WallpaperPlacement PlasmaPlacement(int32_t fill_mode) {
  switch (fill_mode) {
    case 0: return WallpaperPlacement::kStretched;
    case 1: return WallpaperPlacement::kScaled;
    case 3:
    case 4:
    case 5: return WallpaperPlacement::kTiled;  // tiled, and tiled along one side only
    case 6: return WallpaperPlacement::kCentered;
    default: return WallpaperPlacement::kZoom;
  }
}

std::optional<std::string> PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.starts_with(kScheme)) {
    uri.remove_prefix(kScheme.size());
    if (uri.starts_with("localhost/")) uri.remove_prefix(9);
  } else if (uri.find("://") != std::string_view::npos) {
    return std::nullopt;
  }
  if (!uri.starts_with('/')) return std::nullopt;
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    const auto high = i + 2 < uri.size() ? HexDigit(uri[i + 1]) : std::nullopt;
    const auto low = i + 2 < uri.size() ? HexDigit(uri[i + 2]) : std::nullopt;
    if (!high || !low || (*high == 0 && *low == 0)) return std::nullopt;
    path += static_cast<char>(*high * 16 + *low);
    i += 2;
  }
  return path;
}

std::optional<uint32_t> ParseColour(std::string_view text) {
  text = Trimmed(text);
  if (text.starts_with('#') && (text.size() == 7 || text.size() == 4)) {
    const size_t digits = text.size() - 1;
    uint32_t colour = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      const auto digit = HexDigit(text[i]);
      if (!digit) return std::nullopt;
      colour = (colour << 4) | static_cast<uint32_t>(*digit);
      if (digits == 3) colour = (colour << 4) | static_cast<uint32_t>(*digit);  // #abc is #aabbcc
    }
    return colour;
  }
  // KConfig's "r,g,b" or "r,g,b,a" (the alpha ignored: nothing shows through a desktop).
  uint32_t colour = 0;
  int parts = 0;
  for (bool more = true; more; ++parts) {
    const size_t comma = text.find(',');
    const auto value = Number(Trimmed(text.substr(0, comma)));
    if (!value || *value < 0 || *value > 255 || parts == 4) return std::nullopt;
    if (parts < 3) colour = (colour << 8) | static_cast<uint32_t>(*value);
    more = comma != std::string_view::npos;
    if (more) text.remove_prefix(comma + 1);
  }
  if (parts < 3) return std::nullopt;
  return colour;
}

std::optional<PlasmaWallpaper> ParsePlasmaWallpaper(std::string_view appletsrc) {
  // [Containments][N][Wallpaper][org.kde.image][General] holds Image=, FillMode=, Color=.
  constexpr std::string_view kGroupEnd = "[Wallpaper][org.kde.image][General]";
  bool in_group = false;
  PlasmaWallpaper found;
  while (!appletsrc.empty()) {
    const size_t end = std::min(appletsrc.find('\n'), appletsrc.size());
    const std::string_view line = Trimmed(appletsrc.substr(0, end));
    appletsrc.remove_prefix(std::min(end + 1, appletsrc.size()));
    if (line.starts_with('[')) {
      if (in_group && !found.image.empty()) return found;
      in_group = line.starts_with("[Containments][") && line.ends_with(kGroupEnd);
      found = {};
      continue;
    }
    if (!in_group) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals)), value = Trimmed(line.substr(equals + 1));
    if (key == "Image") found.image = std::string(value);
    if (key == "FillMode") found.placement = PlasmaPlacement(Number(value).value_or(2));
    if (key == "Color") found.colour = ParseColour(value).value_or(found.colour);
  }
  if (in_group && !found.image.empty()) return found;
  return std::nullopt;
}

std::string NearestPackageImage(const std::vector<std::string>& names, int32_t width, int32_t height) {
  std::string best;
  int64_t best_score = INT64_MAX;
  for (const std::string& name : names) {
    const std::string_view stem = std::string_view(name).substr(0, name.rfind('.'));
    const size_t x = stem.find('x');
    const auto w = Number(stem.substr(0, x)),
               h = x == std::string_view::npos ? std::nullopt : Number(stem.substr(x + 1));
    const int64_t score = SizeDistance(w, h, width, height);
    if (score < best_score) best_score = score, best = name;
  }
  return best;
}

std::optional<std::string> SlideshowImage(std::string_view xml, int32_t width, int32_t height) {
  size_t at = 0;
  const std::optional<std::string_view> file = Between(xml, "<file>", "</file>", at);
  if (!file) return std::nullopt;
  if (file->find("<size") == std::string_view::npos) {
    const std::string_view path = Trimmed(*file);
    return path.empty() ? std::nullopt : std::optional<std::string>(path);
  }
  std::optional<std::string> best;
  int64_t best_score = INT64_MAX;
  size_t from = 0;
  while (const auto size = Between(*file, "<size", "</size>", from)) {
    const size_t tag_end = size->find('>');
    if (tag_end == std::string_view::npos) continue;
    const std::string_view attributes = size->substr(0, tag_end);
    auto attribute = [&](std::string_view name) -> std::optional<int32_t> {
      size_t a = 0;
      const auto value = Between(attributes, std::string(name) + "=\"", "\"", a);
      return value ? Number(*value) : std::nullopt;
    };
    const int64_t score = SizeDistance(attribute("width"), attribute("height"), width, height);
    const std::string_view path = Trimmed(size->substr(tag_end + 1));
    if (!path.empty() && score < best_score) best_score = score, best = std::string(path);
  }
  return best;
}

DesktopPicture PlaceWallpaper(const DesktopPicture& wallpaper, WallpaperPlacement placement, uint32_t colour,
                              const ScreenArea& screen, const ScreenArea& desktop) {
  DesktopPicture placed{std::max(screen.width, 1), std::max(screen.height, 1), {}};
  placed.pixels.assign(static_cast<size_t>(placed.width) * static_cast<size_t>(placed.height), colour & 0xFFFFFFu);
  const bool readable = wallpaper.width > 0 && wallpaper.height > 0 &&
                        wallpaper.pixels.size() == static_cast<size_t>(wallpaper.width) * wallpaper.height;
  if (!readable || placement == WallpaperPlacement::kNone) return placed;
  const bool spanned = placement == WallpaperPlacement::kSpanned && desktop.width > 0 && desktop.height > 0;
  const ScreenArea area = PictureArea(wallpaper.width, wallpaper.height, placement, spanned ? desktop : screen);
  const bool tiled = placement == WallpaperPlacement::kTiled;
  // Each screen pixel takes the picture's pixel under it (nearest), tiles wrapping round.
  for (int32_t y = 0; y < placed.height; ++y) {
    int64_t v = int64_t{screen.y} + y - (tiled ? screen.y : area.y);
    if (tiled) v %= area.height;
    if (v < 0 || v >= area.height) continue;
    const uint32_t* source = wallpaper.pixels.data() + v * wallpaper.height / area.height * wallpaper.width;
    uint32_t* row = placed.pixels.data() + static_cast<size_t>(y) * placed.width;
    for (int32_t x = 0; x < placed.width; ++x) {
      int64_t u = int64_t{screen.x} + x - (tiled ? screen.x : area.x);
      if (tiled) u %= area.width;
      if (u < 0 || u >= area.width) continue;
      row[x] = source[u * wallpaper.width / area.width] & 0xFFFFFFu;
    }
  }
  return placed;
}

}  // namespace ambervale
