#include "x11/x_pictures.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstring>
#include <utility>

#include "linux/scale_picture.h"
#include "x11/desktop_picture.h"

namespace ambervale {
namespace {

bool g_error_seen = false;
bool g_lasting_error_seen = false;

int RecordError(Display*, XErrorEvent*) {
  g_error_seen = true;
  return 0;
}

int RecordLastingError(Display*, XErrorEvent*) {
  g_lasting_error_seen = true;
  return 0;
}

// Maps a channel of `mask` to 8 bits and back, for visuals of other depths.
struct Channel {
  unsigned long mask;
  int shift;
  int bits;
  explicit Channel(unsigned long m) : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::popcount(m)) {}
  uint32_t Read(unsigned long pixel) const {
    if (bits == 0) return 0;
    const uint32_t value = static_cast<uint32_t>((pixel & mask) >> shift);
    const uint32_t max = (1u << bits) - 1;
    return (value * 255 + max / 2) / max;
  }
  unsigned long Write(uint32_t value) const {
    if (bits == 0) return 0;
    const uint32_t max = (1u << bits) - 1;
    return (static_cast<unsigned long>((value * max + 127) / 255) << shift) & mask;
  }
};

std::vector<uint32_t> ImagePixels(XImage* image) {
  const int width = image->width;
  const int height = image->height;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (IsNativeLayout(image)) {
    for (int y = 0; y < height; ++y) {
      uint32_t* row = pixels.data() + static_cast<size_t>(y) * width;
      std::memcpy(row, image->data + static_cast<size_t>(y) * image->bytes_per_line, static_cast<size_t>(width) * 4);
      for (int x = 0; x < width; ++x) row[x] &= 0xFFFFFF;
    }
    return pixels;
  }
  const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      pixels[static_cast<size_t>(y) * width + x] = (red.Read(p) << 16) | (green.Read(p) << 8) | blue.Read(p);
    }
  }
  return pixels;
}

std::optional<Pixmap> ScreenshotPixmap(Display* display, Window window) {
  const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  XErrorTrap trap(display);
  const int status =
      XGetWindowProperty(display, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &remaining, &data);
  std::optional<Pixmap> pixmap;
  if (status == Success && type == XA_PIXMAP && format == 32 && count == 1 && data != nullptr)
    pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  if (trap.Failed() || pixmap == Pixmap{None}) return std::nullopt;
  return pixmap;
}

}  // namespace

void InstallLastingErrorHandler() { XSetErrorHandler(RecordLastingError); }

bool TakeLastingError() { return std::exchange(g_lasting_error_seen, false); }

XErrorTrap::XErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);
  g_error_seen = false;
  previous_ = XSetErrorHandler(RecordError);
}

XErrorTrap::~XErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

bool XErrorTrap::Failed() {
  XSync(display_, False);
  return g_error_seen;
}

std::optional<std::vector<uint32_t>> ReadDrawable(Display* display, Drawable drawable, int x, int y, int width,
                                                  int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  XErrorTrap trap(display);
  XImage* image = XGetImage(display, drawable, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  const bool failed = trap.Failed();
  if (image == nullptr) return std::nullopt;
  // Images of pixmaps carry no visual, hence no channel masks: pixmaps of the screen's
  // depth hold pixels of its default visual.
  if (image->red_mask == 0 && image->green_mask == 0 && image->blue_mask == 0) {
    const Visual* visual = DefaultVisual(display, DefaultScreen(display));
    image->red_mask = visual->red_mask;
    image->green_mask = visual->green_mask;
    image->blue_mask = visual->blue_mask;
  }
  std::optional<std::vector<uint32_t>> pixels;
  if (!failed) pixels = ImagePixels(image);
  XDestroyImage(image);
  return pixels;
}

std::optional<std::vector<uint32_t>> ReadWindowPicture(Display* display, Window window, int width, int height) {
  std::optional<std::vector<uint32_t>> picture = ReadDrawable(display, window, 0, 0, width, height);
  if (picture && !ShowsAPicture(*picture)) return std::nullopt;
  return picture;
}

bool HasDaemonScreenshot(Display* display, Window window) { return ScreenshotPixmap(display, window).has_value(); }

bool IsNestedWindow(Display* display, Window window) {
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  XErrorTrap trap(display);
  const Status ok = XQueryTree(display, window, &root, &parent, &children, &count);
  if (children) XFree(children);
  return !trap.Failed() && ok && parent != None && parent != root;
}

std::optional<std::vector<uint32_t>> ReadDaemonScreenshot(Display* display, Window window, int width, int height) {
  const std::optional<Pixmap> pixmap = ScreenshotPixmap(display, window);
  if (!pixmap) return std::nullopt;
  Window root = None;
  int px = 0, py = 0;
  unsigned pw = 0, ph = 0, border = 0, depth = 0;
  {
    XErrorTrap trap(display);
    const Status ok = XGetGeometry(display, *pixmap, &root, &px, &py, &pw, &ph, &border, &depth);
    if (trap.Failed() || !ok) return std::nullopt;
  }
  std::optional<std::vector<uint32_t>> pixels =
      ReadDrawable(display, *pixmap, 0, 0, static_cast<int>(pw), static_cast<int>(ph));
  if (!pixels) return std::nullopt;
  if (static_cast<int>(pw) == width && static_cast<int>(ph) == height) return pixels;
  return ScalePicture(*pixels, static_cast<int32_t>(pw), static_cast<int32_t>(ph), width, height);
}

bool IsNativeLayout(const XImage* image) {
  return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
         image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

void StorePixels(XImage* image, const uint32_t* pixels, int stride, int x, int y, int width, int height) {
  if (IsNativeLayout(image)) {
    for (int row = 0; row < height; ++row)
      std::memcpy(image->data + static_cast<size_t>(y + row) * image->bytes_per_line + static_cast<size_t>(x) * 4,
                  pixels + static_cast<size_t>(y + row) * stride + x, static_cast<size_t>(width) * 4);
    return;
  }
  const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
  for (int row = y; row < y + height; ++row) {
    for (int col = x; col < x + width; ++col) {
      const uint32_t p = pixels[static_cast<size_t>(row) * stride + col];
      XPutPixel(image, col, row, red.Write((p >> 16) & 0xFF) | green.Write((p >> 8) & 0xFF) | blue.Write(p & 0xFF));
    }
  }
}

}  // namespace ambervale
