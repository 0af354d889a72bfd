// ambervale-wayland's configuration file, whatever bytes it holds: the settings stay within the
// dialog's ranges, and every line not taken is named once, with its number, in printable text.
#include <cstdint>
#include <string>

#include "fuzz/require.h"
#include "linux/config_file.h"

using namespace ambervale;
using ambervale::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string warnings;
  const LinuxOptions options =
      ApplyConfigText(text, "ambervale.conf", LinuxOptions{}, warnings, LinuxProgram::kWayland);
  const LinuxSettings& s = options.settings;
  Require(s.size <= 20 && s.algorithm <= 12 && s.fast <= 50, "a setting outside its slider's range");
  Require(s.transparent >= 1 && s.transparent <= 10, "transparency outside 1..10");
  Require(options.target == WindowTarget::kOwnWindow && options.display.empty(), "a window flag from the file");

  // One line of warning at most per line of the file, and none of the file's control bytes.
  size_t lines = 1, warning_lines = 0;
  for (char c : text) lines += c == '\n';
  for (char c : warnings) {
    warning_lines += c == '\n';
    Require(c == '\n' || static_cast<unsigned char>(c) >= 0x20, "a control byte in a warning");
  }
  Require(warning_lines <= lines, "more warnings than lines");
  Require(warnings.empty() || warnings.back() == '\n', "a warning without its line end");
  return 0;
}
