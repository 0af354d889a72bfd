// One XScreenSaver preference file's text, whatever it holds: reading grabDesktopImages from
// it never fails; the fallback decides exactly when the text names no valid value; and a
// setting appended at the end (after a line break that ends any continued line) always wins.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "x11/xscreensaver_prefs.h"

using namespace ambervale;
using ambervale::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool named = HasGrabDesktopImages(text);
  const bool with_true = GrabDesktopImagesFromText(text, true);
  const bool with_false = GrabDesktopImagesFromText(text, false);
  if (named) {
    Require(with_true == with_false, "a named value that depends on the fallback");
  } else {
    Require(with_true && !with_false, "the fallback ignored on text that names no value");
  }

  const std::string owned(text);
  Require(!GrabDesktopImagesFromText(owned + "\n\n*grabDesktopImages:\tFalse\n", true), "a final False lost");
  Require(GrabDesktopImagesFromText(owned + "\n\nXScreenSaver.grabDesktopImages: on", false), "a final on lost");
  return 0;
}
