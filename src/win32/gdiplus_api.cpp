#include "win32/gdiplus_api.h"

#include "win32/system_library.h"

namespace ambervale {
namespace gdiplus {
#define AMBERVALE_GDIPLUS_POINTER(name) decltype(&gdiplus_declared::name) name = nullptr;
AMBERVALE_GDIPLUS_FUNCTIONS(AMBERVALE_GDIPLUS_POINTER)
#undef AMBERVALE_GDIPLUS_POINTER
}  // namespace gdiplus

namespace {

std::string Bind() {
  HMODULE library = LoadSystemLibrary("gdiplus.dll");
  if (!library) {
    return "GDI+ could not be loaded: gdiplus.dll is missing from the system folder or does not load (error " +
           std::to_string(GetLastError()) + ")";
  }
  // All or nothing: a half-bound table would call through null pointers later.
#define AMBERVALE_GDIPLUS_FIND(name)                                           \
  const auto name = ExportedFunction<decltype(gdiplus::name)>(library, #name); \
  if (!name) return "GDI+ could not be loaded: gdiplus.dll in the system folder lacks " #name;
  AMBERVALE_GDIPLUS_FUNCTIONS(AMBERVALE_GDIPLUS_FIND)
#undef AMBERVALE_GDIPLUS_FIND
#define AMBERVALE_GDIPLUS_KEEP(name) gdiplus::name = name;
  AMBERVALE_GDIPLUS_FUNCTIONS(AMBERVALE_GDIPLUS_KEEP)
#undef AMBERVALE_GDIPLUS_KEEP
  return {};  // the library stays loaded for the life of the process
}

}  // namespace

const std::string& BindGdiplus() {
  static const std::string failure = Bind();
  return failure;
}

std::string GdiplusFailureMessage(Gdiplus::Status status) {
  if (!BindGdiplus().empty()) return BindGdiplus();
  return "GDI+ could not be started (GdiplusStartup status " + std::to_string(static_cast<int>(status)) + ")";
}

}  // namespace ambervale
