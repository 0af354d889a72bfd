// ambervale.conf, whatever bytes it holds: the settings stay within the dialog's ranges, every
// line not taken is named once, in printable text, and what Save would write reads back as
// the same values.
#include <cstdint>
#include <string>

#include "fuzz/require.h"
#include "linux/settings_file.h"

using namespace ambervale;
using ambervale::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SettingsFile file(text);
  const LinuxSettings& s = file.Values();
  Require(s.size <= 20 && s.algorithm <= 12 && s.fast <= 50, "a setting outside its slider's range");
  Require(s.opacity >= 1 && s.opacity <= 10, "transparency outside 1..10");

  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  Require(file.Skipped().size() <= lines, "more skipped lines than lines");
  for (const SkippedLine& line : file.Skipped())
    for (char c : line.reason)
      Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a control byte in a reason");

  const SettingsFile saved(file.Render(s));
  Require(saved.Values() == s, "what Save writes reads back otherwise");
  return 0;
}
