// The GDI+ flat API, bound at start-up from gdiplus.dll in the system folder. The program
// has no import of gdiplus.dll: a file of that name beside the saver is never loaded.
// Callers write gp::GdipXxx(...) with `namespace gp = ambervale::gdiplus;`; every pointer
// may be called once BindGdiplus() has reported success (GdiplusSession binds).
#pragma once

#include <windows.h>
#include <objidl.h>  // GDI+ headers need PROPID, which the lean Windows headers leave out
#include <gdiplus.h>

#include <string>

// Every GDI+ function the program calls, by its exported name.
#define AMBERVALE_GDIPLUS_FUNCTIONS(X) \
  X(GdiplusStartup)                    \
  X(GdiplusShutdown)                   \
  X(GdipBitmapGetPixel)                \
  X(GdipBitmapLockBits)                \
  X(GdipBitmapSetPixel)                \
  X(GdipBitmapUnlockBits)              \
  X(GdipCreateBitmapFromFile)          \
  X(GdipCreateBitmapFromScan0)         \
  X(GdipCreateFromHDC)                 \
  X(GdipCreateImageAttributes)         \
  X(GdipDeleteGraphics)                \
  X(GdipDisposeImage)                  \
  X(GdipDisposeImageAttributes)        \
  X(GdipDrawImageRectI)                \
  X(GdipDrawImageRectRectI)            \
  X(GdipFlush)                         \
  X(GdipGetImageGraphicsContext)       \
  X(GdipGetImageHeight)                \
  X(GdipGetImageWidth)                 \
  X(GdipSetClipRectI)                  \
  X(GdipSetImageAttributesWrapMode)    \
  X(GdipSetInterpolationMode)          \
  X(GdipSetPixelOffsetMode)

namespace ambervale {
namespace gdiplus_declared {
// The headers' declarations, where the start-up pair and the flat API (in DllExports) meet.
using namespace ::Gdiplus;
using namespace ::Gdiplus::DllExports;
}  // namespace gdiplus_declared

namespace gdiplus {
#define AMBERVALE_GDIPLUS_POINTER(name) extern decltype(&gdiplus_declared::name) name;
AMBERVALE_GDIPLUS_FUNCTIONS(AMBERVALE_GDIPLUS_POINTER)
#undef AMBERVALE_GDIPLUS_POINTER
}  // namespace gdiplus

// Loads gdiplus.dll from the system folder and binds every function above, once; later calls
// give the first call's answer. "" when bound, else why not, in words for the user.
const std::string& BindGdiplus();

// The start-up error for a GDI+ session that did not start with `status`.
std::string GdiplusFailureMessage(Gdiplus::Status status);

}  // namespace ambervale
