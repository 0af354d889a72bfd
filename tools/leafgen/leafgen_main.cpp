// leafgen: draws the twenty-five leaf pictures and writes them as JPEG files, with their
// coverage masks and, on request, a contact sheet.
//
//   leafgen <dir> [--sheet <png>] [--sheet-scale <n>] [--icon <ico>] [--icon-theme <dir>]
//
// writes <dir>/Image1.jpg .. Image25.jpg and <dir>/leaf_masks.inc; the icon is the leaf of
// Image16 at every icon size, in a Windows icon file and in an icon theme's folders (the
// Linux menu entries' hicolor icons).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "contact_sheet.h"
#include "icon_file.h"
#include "jpeg_io.h"
#include "leaf_model.h"
#include "leaf_render.h"
#include "mask_text.h"

namespace {

constexpr int kPictureSize = 100;
constexpr int kIconPicture = 16;  // an orange maple leaf, plain at small sizes

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int Usage() {
  std::fprintf(stderr,
               "usage: leafgen <output-dir> [--sheet <png>] [--sheet-scale <n>] [--icon <ico>] [--icon-theme <dir>]\n");
  return 2;
}

// The leaf of the icon at every icon size, as PNG files; empty when one could not be drawn.
std::vector<std::vector<uint8_t>> IconPngs() {
  const leafgen::PictureSpec& spec = leafgen::Pictures().at(kIconPicture - 1);
  const leafgen::LeafDesign& design = leafgen::Designs().at(static_cast<size_t>(spec.design));
  std::vector<std::vector<uint8_t>> pngs;
  for (int size : leafgen::kIconSizes) {
    pngs.push_back(leafgen::EncodeTransparentPng(leafgen::RenderPicture(design, spec.pose, size)));
    if (pngs.back().empty()) return {};
  }
  return pngs;
}

bool WriteIcon(const std::string& path) {
  const std::vector<std::vector<uint8_t>> pngs = IconPngs();
  if (pngs.empty()) return false;
  std::vector<int> sizes(std::begin(leafgen::kIconSizes), std::end(leafgen::kIconSizes));
  const std::vector<uint8_t> icon = leafgen::IconFile(sizes, pngs);
  return WriteFile(path, icon.data(), icon.size());
}

// The same sizes in an icon theme's folders: <dir>/<N>x<N>/apps/ambervale.png.
bool WriteThemeIcons(const std::string& dir) {
  const std::vector<std::vector<uint8_t>> pngs = IconPngs();
  if (pngs.empty()) return false;
  for (size_t i = 0; i < pngs.size(); ++i) {
    const std::string size = std::to_string(leafgen::kIconSizes[i]);
    const std::filesystem::path folder = dir + "/" + size + "x" + size + "/apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !WriteFile((folder / "ambervale.png").string(), pngs[i].data(), pngs[i].size())) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string dir = argv[1], sheet_path, icon_path, theme_path;
  int sheet_scale = 2;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--sheet" && i + 1 < argc) {
      sheet_path = argv[++i];
    } else if (arg == "--icon" && i + 1 < argc) {
      icon_path = argv[++i];
    } else if (arg == "--icon-theme" && i + 1 < argc) {
      theme_path = argv[++i];
    } else if (arg == "--sheet-scale" && i + 1 < argc) {
      sheet_scale = std::atoi(argv[++i]);
      if (sheet_scale < 1 || sheet_scale > 16) return Usage();
    } else {
      return Usage();
    }
  }

  std::vector<std::vector<uint8_t>> masks;
  std::vector<leafgen::SheetPicture> sheet;
  for (const leafgen::PictureSpec& spec : leafgen::Pictures()) {
    const leafgen::LeafDesign& design = leafgen::Designs().at(static_cast<size_t>(spec.design));
    leafgen::RenderedPicture picture = leafgen::RenderPicture(design, spec.pose, kPictureSize);
    std::vector<uint8_t> jpeg = leafgen::EncodeJpeg(picture.rgb, kPictureSize, kPictureSize, leafgen::kPictureQuality);
    std::string path = dir + "/Image" + std::to_string(spec.index) + ".jpg";
    if (!WriteFile(path, jpeg.data(), jpeg.size())) {
      std::fprintf(stderr, "leafgen: cannot write %s\n", path.c_str());
      return 1;
    }
    masks.push_back(picture.mask);
    if (!sheet_path.empty()) {
      leafgen::SheetPicture shown;
      if (!leafgen::DecodeJpeg(jpeg, shown.rgb, shown.width, shown.height)) {
        std::fprintf(stderr, "leafgen: Image%d does not decode\n", spec.index);
        return 1;
      }
      sheet.push_back(std::move(shown));
    }
  }
  std::string include = leafgen::MasksInclude(masks, kPictureSize);
  if (!WriteFile(dir + "/leaf_masks.inc", include.data(), include.size())) {
    std::fprintf(stderr, "leafgen: cannot write %s/leaf_masks.inc\n", dir.c_str());
    return 1;
  }
  if (!sheet_path.empty() && !leafgen::WriteContactSheet(sheet, 5, sheet_scale, sheet_path)) {
    std::fprintf(stderr, "leafgen: cannot write %s\n", sheet_path.c_str());
    return 1;
  }
  if (!icon_path.empty() && !WriteIcon(icon_path)) {
    std::fprintf(stderr, "leafgen: cannot write %s\n", icon_path.c_str());
    return 1;
  }
  if (!theme_path.empty() && !WriteThemeIcons(theme_path)) {
    std::fprintf(stderr, "leafgen: cannot write the icons into %s\n", theme_path.c_str());
    return 1;
  }
  return 0;
}
