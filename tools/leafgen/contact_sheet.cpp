#include "contact_sheet.h"

#include <cairo.h>

namespace leafgen {

bool WriteContactSheet(const std::vector<SheetPicture>& pictures, int columns, int scale, const std::string& png_path) {
  if (pictures.empty() || columns <= 0 || scale <= 0) return false;
  const int gap = 4 * scale;
  const int cell = pictures[0].width * scale;
  const int rows = (static_cast<int>(pictures.size()) + columns - 1) / columns;
  const int width = columns * cell + (columns + 1) * gap, height = rows * cell + (rows + 1) * gap;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(sheet);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const SheetPicture& p = pictures[i];
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.width, p.height);
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const uint8_t* s = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
        auto* d = reinterpret_cast<uint32_t*>(data + y * stride) + x;
        *d = 0xFF000000u | (uint32_t{s[0]} << 16) | (uint32_t{s[1]} << 8) | s[2];
      }
    cairo_surface_mark_dirty(image);
    int col = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
    cairo_save(cr);
    cairo_translate(cr, gap + col * (cell + gap), gap + row * (cell + gap));
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
  }
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(sheet, png_path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(sheet);
  return ok;
}

}  // namespace leafgen
