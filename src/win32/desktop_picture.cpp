#include "win32/desktop_picture.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "surfaces/colors.h"
#include "surfaces/desktop_background.h"
#include "win32/gdi_handles.h"
#include "win32/gdiplus_api.h"

namespace ambervale {
namespace {

namespace gp = ambervale::gdiplus;

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM param) {
  reinterpret_cast<std::vector<Rect>*>(param)->push_back(Rect{rect->left, rect->top, rect->right, rect->bottom});
  return TRUE;
}

// Every monitor's rectangle in buffer pixels; the whole buffer when none is reported.
std::vector<Rect> MonitorAreas(const BackBuffer& buffer) {
  std::vector<Rect> screens;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&screens));
  if (screens.empty()) return {Rect{0, 0, buffer.Width(), buffer.Height()}};
  const Point origin = buffer.Origin();
  for (Rect& r : screens) r = Rect{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
  return screens;
}

// GDI+ objects of one wallpaper draw, released in reverse order of making.
struct WallpaperDraw {
  Gdiplus::GpBitmap* picture = nullptr;
  Gdiplus::GpBitmap* canvas = nullptr;
  Gdiplus::GpGraphics* graphics = nullptr;
  Gdiplus::GpImageAttributes* attributes = nullptr;
  WallpaperDraw() = default;
  WallpaperDraw(const WallpaperDraw&) = delete;
  WallpaperDraw& operator=(const WallpaperDraw&) = delete;
  ~WallpaperDraw() {
    if (attributes) gp::GdipDisposeImageAttributes(attributes);
    if (graphics) gp::GdipDeleteGraphics(graphics);
    if (canvas) gp::GdipDisposeImage(canvas);
    if (picture) gp::GdipDisposeImage(picture);
  }
};

void ClearUnusedBytes(std::vector<uint32_t>& pixels) {
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
}

}  // namespace

bool CaptureScreenArea(BackBuffer& buffer) {
  const int32_t width = buffer.Width();
  const int32_t height = buffer.Height();
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  // In bands of rows straight into the background: a copy of the whole screen on the side
  // would cost as much again as the picture itself, for a moment, on a large screen.
  constexpr int32_t kBandRows = 256;
  const int32_t band_rows = std::min(height, kBandRows);
  DibSection band(TopDownInfo(width, band_rows));
  std::vector<uint32_t>& background = buffer.Background();
  bool copied = band.ok();
  for (int32_t top = 0; copied && top < height; top += band_rows) {
    const int32_t rows = std::min(band_rows, height - top);
    // CAPTUREBLT takes layered windows in too: what the user sees, not only the plain windows.
    copied =
        BitBlt(band.dc(), 0, 0, width, rows, screen, buffer.Origin().x, buffer.Origin().y + top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    if (copied)
      std::memcpy(background.data() + static_cast<size_t>(top) * width, band.bits(),
                  static_cast<size_t>(rows) * width * sizeof(uint32_t));
  }
  ReleaseDC(nullptr, screen);
  if (!copied) return false;
  ClearUnusedBytes(background);
  return true;
}

std::vector<uint32_t> ScaledScreenPicture(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const int32_t screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int32_t screen_height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  if (!screen) return {};
  DibSection copy(TopDownInfo(width, height));
  bool copied = copy.ok();
  if (copied) {
    SetStretchBltMode(copy.dc(), HALFTONE);
    SetBrushOrgEx(copy.dc(), 0, 0, nullptr);
  }
  // A few rows of the picture at a time: the system reads the screen part each band shrinks,
  // never the whole screen at once.
  constexpr int32_t kBandRows = 8;
  for (int32_t top = 0; copied && top < height; top += kBandRows) {
    const int32_t rows = std::min(kBandRows, height - top);
    const int32_t source_top = static_cast<int32_t>(static_cast<int64_t>(top) * screen_height / height);
    const int32_t source_bottom = static_cast<int32_t>(static_cast<int64_t>(top + rows) * screen_height / height);
    copied = StretchBlt(copy.dc(), 0, top, width, rows, screen, 0, source_top, screen_width,
                        std::max(source_bottom - source_top, 1), SRCCOPY | CAPTUREBLT);
  }
  ReleaseDC(nullptr, screen);
  if (!copied) return {};
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::memcpy(pixels.data(), copy.bits(), pixels.size() * sizeof(uint32_t));
  ClearUnusedBytes(pixels);
  return pixels;
}

std::wstring WallpaperPath() {
  wchar_t path[4096] = {};
  if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, static_cast<UINT>(std::size(path)), path, 0)) return {};
  path[std::size(path) - 1] = L'\0';
  return path;
}

uint32_t DesktopColour() {
  const COLORREF colour = GetSysColor(COLOR_DESKTOP);
  return PackRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

bool DrawWallpaper(BackBuffer& buffer, const std::wstring& path) {
  if (path.empty() || buffer.Width() <= 0 || buffer.Height() <= 0) return false;
  WallpaperDraw draw;
  UINT picture_width = 0, picture_height = 0;
  if (gp::GdipCreateBitmapFromFile(path.c_str(), &draw.picture) != Gdiplus::Ok ||
      gp::GdipGetImageWidth(draw.picture, &picture_width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(draw.picture, &picture_height) != Gdiplus::Ok || picture_width == 0 || picture_height == 0)
    return false;
  // GDI+ draws straight into the background: a 32-bit RGB bitmap over the buffer's own pixels.
  std::vector<uint32_t>& background = buffer.Background();
  if (gp::GdipCreateBitmapFromScan0(buffer.Width(), buffer.Height(), buffer.Width() * 4, PixelFormat32bppRGB,
                                    reinterpret_cast<BYTE*>(background.data()), &draw.canvas) != Gdiplus::Ok ||
      gp::GdipGetImageGraphicsContext(draw.canvas, &draw.graphics) != Gdiplus::Ok ||
      gp::GdipCreateImageAttributes(&draw.attributes) != Gdiplus::Ok)
    return false;
  gp::GdipSetInterpolationMode(draw.graphics, Gdiplus::InterpolationModeHighQualityBicubic);
  gp::GdipSetPixelOffsetMode(draw.graphics, Gdiplus::PixelOffsetModeHalf);
  // Mirrored edges keep the filter from fading the picture's border into nothing.
  gp::GdipSetImageAttributesWrapMode(draw.attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  bool drawn = false;
  for (const Rect& screen : MonitorAreas(buffer)) {
    const Rect place = FillRect(static_cast<int32_t>(picture_width), static_cast<int32_t>(picture_height), screen);
    gp::GdipSetClipRectI(draw.graphics, screen.left, screen.top, screen.Width(), screen.Height(),
                         Gdiplus::CombineModeReplace);
    drawn |=
        gp::GdipDrawImageRectRectI(draw.graphics, draw.picture, place.left, place.top, place.Width(), place.Height(), 0,
                                   0, static_cast<INT>(picture_width), static_cast<INT>(picture_height),
                                   Gdiplus::UnitPixel, draw.attributes, nullptr, nullptr) == Gdiplus::Ok;
  }
  gp::GdipFlush(draw.graphics, Gdiplus::FlushIntentionSync);
  ClearUnusedBytes(background);
  return drawn;
}

DesktopPictureSource TakeDesktopPicture(BackBuffer& buffer, bool capture_blank) {
  if (!capture_blank && CaptureScreenArea(buffer) && !IsOneColour(buffer.Background()))
    return DesktopPictureSource::kCapture;
  // Gaps between monitors of different sizes show the desktop colour, as the desktop does.
  buffer.FillBackground(DesktopColour());
  if (DrawWallpaper(buffer, WallpaperPath())) return DesktopPictureSource::kWallpaper;
  buffer.FillBackground(DesktopColour());
  return DesktopPictureSource::kDesktopColour;
}

}  // namespace ambervale
