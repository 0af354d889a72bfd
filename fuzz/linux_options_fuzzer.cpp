// The Linux programs' command lines, as XScreenSaver, an idle daemon or a user types them:
// arguments split at zero bytes of the input. Whatever they are, the result is either settings within the dialog's
// ranges and a target to draw on, or an exit code with its text (the usage, or a message
// naming the trouble, then the usage).
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/require.h"
#include "linux/linux_options.h"

using namespace ambervale;
using ambervale::fuzz::Require;

namespace {

void CheckOptions(const LinuxOptions& options) {
  for (const SettingSpec& spec : kSettingSpecs) {
    const int32_t value = ValueOf(options.settings, spec.id);
    Require(value >= spec.min && value <= spec.max, "a setting outside its range");
  }
  if (options.target == WindowTarget::kWindowId)
    Require(options.window_id >= 1 && options.window_id <= 0xFFFFFFFFu, "a window id outside 32 bits");
  const WindowGeometry& g = options.geometry;
  Require(g.width >= 1 && g.width <= 32767 && g.height >= 1 && g.height <= 32767, "a window size out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments{"ambervale"};
  size_t start = 0;
  for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
    arguments.push_back(text.substr(start, end - start));
  if (start < text.size()) arguments.push_back(text.substr(start));

  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);  // as the C runtime ends argv
  // Both programs' command lines, the X11 hack's and the Wayland program's.
  for (const LinuxProgram flags : {LinuxProgram::kX11Hack, LinuxProgram::kWayland}) {
    const LinuxOptionsResult result = ParseLinuxOptions(static_cast<int>(arguments.size()), argv.data(), flags);
    const std::string usage = LinuxUsage(flags);
    if (!result.exit_code) {
      Require(result.output.empty() && result.error.empty(), "text without an exit");
      CheckOptions(result.options);
    } else if (*result.exit_code == 0) {
      Require(result.output == usage && result.error.empty(), "--help prints the usage");
    } else {
      Require(*result.exit_code == 2, "exit code of a bad command line");
      const std::string& error = result.error;
      Require(error.rfind(std::string(ProgramName(flags)) + ": ", 0) == 0, "the message names the program");
      Require(error.size() > usage.size() && error.compare(error.size() - usage.size(), std::string::npos, usage) == 0,
              "the message ends with the usage");
    }
  }
  return 0;
}
