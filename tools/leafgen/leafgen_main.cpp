// leafgen: draws the twenty-five leaf pictures and writes them as JPEG files, with their
// coverage masks and, on request, a contact sheet.
//
//   leafgen <dir> [--sheet <png>] [--sheet-scale <n>] [--icon <ico>]
//
// writes <dir>/Image1.jpg .. Image25.jpg and <dir>/leaf_masks.inc; the icon is the leaf of
// Image16 at every icon size.
#include <cstdio>
#include <cstdlib>
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
  std::fprintf(stderr, "usage: leafgen <output-dir> [--sheet <png>] [--sheet-scale <n>] [--icon <ico>]\n");
  return 2;
}

bool WriteIcon(const std::string& path) {
  const leafgen::PictureSpec& spec = leafgen::Pictures().at(kIconPicture - 1);
  const leafgen::LeafDesign& design = leafgen::Designs().at(static_cast<size_t>(spec.design));
  std::vector<int> sizes(std::begin(leafgen::kIconSizes), std::end(leafgen::kIconSizes));
  std::vector<std::vector<uint8_t>> pngs;
  for (int size : sizes) {
    pngs.push_back(leafgen::EncodeTransparentPng(leafgen::RenderPicture(design, spec.pose, size)));
    if (pngs.back().empty()) return false;
  }
  const std::vector<uint8_t> icon = leafgen::IconFile(sizes, pngs);
  return WriteFile(path, icon.data(), icon.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string dir = argv[1], sheet_path, icon_path;
  int sheet_scale = 2;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--sheet" && i + 1 < argc) {
      sheet_path = argv[++i];
    } else if (arg == "--icon" && i + 1 < argc) {
      icon_path = argv[++i];
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
  return 0;
}
