// The command line as the screensaver host (or anyone) may pass it: the mode argument and
// the preview window's handle, then the start-up and a stretch of ticks that follow from
// them, with settings of any byte value, any screen size and any preview window rectangle.
//
// Input: the arguments, separated by zero bytes, at the front; the numbers (settings, sizes,
// rectangle, ticks, cursor) are taken from the end.
// Checked: the mode letter follows its rule; a handle that parses prints back as the text it
// came from; one that does not raises the conversion error naming the text; a start-up either
// runs or fails cleanly, and ticks only ever follow a start-up that ran.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assets/leaves/leaf_pictures.h"
#include "base/errors.h"
#include "fuzz/require.h"
#include "engine/saver_engine.h"
#include "run/saver_run.h"
#include "run/saver_startup.h"
#include "surfaces/colors.h"
#include "testing/test_surfaces.h"

using namespace ambervale;
using ambervale::fuzz::Require;

namespace {

// The fields of the start-up that come from outside the command line.
struct Surroundings {
  uint8_t settings[5] = {};  // Size, Algorithm, Transparent, Fast, Color_s
  bool key_exit = false;
  bool random_algorithm = false;
  PreviewHost::Size screen;
  bool preview_exists = true;
  Rect preview_rect;
  int ticks = 0;
  Point cursor;
};

Surroundings ReadSurroundings(FuzzedDataProvider& input) {
  Surroundings s;
  for (uint8_t& value : s.settings) value = input.ConsumeIntegral<uint8_t>();
  s.key_exit = input.ConsumeBool();
  s.random_algorithm = input.ConsumeBool();
  // A full-screen run never copies the screen, so its size may be large; a preview copies the
  // whole screen once, which the fuzzer keeps small to stay fast.
  s.screen = {input.ConsumeIntegralInRange<int32_t>(1, 8192), input.ConsumeIntegralInRange<int32_t>(1, 8192)};
  s.preview_exists = input.ConsumeIntegralInRange<int>(0, 15) != 0;
  // Window coordinates stay within 16 bits; a right edge left of the left one is allowed.
  s.preview_rect = {input.ConsumeIntegral<int16_t>(), input.ConsumeIntegral<int16_t>(),
                    input.ConsumeIntegral<int16_t>(), input.ConsumeIntegral<int16_t>()};
  s.ticks = input.ConsumeIntegralInRange<int>(0, 25);  // five cells: each tick redraws a whole sprite
  s.cursor = {input.ConsumeIntegral<int16_t>(), input.ConsumeIntegral<int16_t>()};
  return s;
}

// The window system as the start-up and the ticks see it, drawing into memory.
class Host : public SaverHost, public PreviewHost {
 public:
  explicit Host(const Surroundings& surroundings) : s_(surroundings) {}

  void LoadSettings(Settings& settings) override {
    settings.size = s_.settings[0];
    settings.algorithm = s_.settings[1];
    settings.opacity = s_.settings[2];
    settings.fast = s_.settings[3];
    settings.color = s_.settings[4];
    settings.exit_on_input = s_.key_exit;
    settings.random_algorithm = s_.random_algorithm;
  }
  std::vector<Rect> Screens() override { return {Rect{0, 0, s_.screen.width, s_.screen.height}}; }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override { return std::make_unique<MemoryCanvas>(64, 48); }
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override {
    return std::make_unique<MemoryBitmap>(width, height);
  }
  void ShowDesktop(const Rect&) override {}
  std::optional<Size> OpenPreview(WindowReference) override {
    if (!s_.preview_exists) return std::nullopt;
    return Size{s_.preview_rect.Width(), s_.preview_rect.Height()};
  }
  std::unique_ptr<ArgbBitmap> DesktopPicture(int32_t width, int32_t height) override {
    // The picture is kept small to stay fast; the restore stretches it over the preview.
    auto picture = std::make_unique<MemoryBitmap>(std::clamp(width, 0, 320), std::clamp(height, 0, 240));
    for (int32_t y = 0; y < picture->Height(); ++y)
      for (int32_t x = 0; x < picture->Width(); ++x) picture->PutArgb(x, y, PackArgb(255, x, y, x ^ y));
    return picture;
  }
  bool PreviewShown() override { return true; }

 private:
  const Surroundings& s_;
};

// Splits at zero bytes: every other byte, blanks and quotes included, belongs to an argument,
// as it would after the C runtime has split the command line.
std::vector<std::string> Arguments(const std::string& text) {
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
    arguments.push_back(text.substr(start, end - start));
  arguments.push_back(text.substr(start));
  return arguments;
}

void CheckRunMode(const std::string& argument, char mode) {
  if (argument.size() < 2) return Require(mode == 0, "mode of a short argument");
  const char letter = argument[1];
  Require(mode == (letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter), "mode letter");
}

// A parsed handle prints back as its text: blanks, a plus sign and leading zeros aside.
void CheckHandle(const std::string& text) {
  try {
    const int32_t handle = ParsePreviewHandle(text);
    std::string digits = text.substr(text.find_first_not_of(' '));
    const bool negative = digits[0] == '-';
    if (digits[0] == '-' || digits[0] == '+') digits.erase(0, 1);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    const std::string printed = std::to_string(handle);
    Require(printed == (negative && digits != "0" ? "-" : "") + digits, "a handle that does not print back");
  } catch (const ConvertError& error) {
    Require(error.what() == "'" + text + "' is not a valid integer value", "the conversion message");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static LeafImageSet leaves(LeafPictureBytes);  // decoded once, as in a run
  FuzzedDataProvider input(data, size);
  const Surroundings surroundings = ReadSurroundings(input);
  const std::vector<std::string> arguments = Arguments(input.ConsumeRemainingBytesAsString());

  const char mode = ParseRunMode(arguments[0]);
  CheckRunMode(arguments[0], mode);
  if (arguments.size() > 1) CheckHandle(arguments[1]);
  if (mode == 'A' || mode == 'C') return 0;  // no saver window of its own

  Host host(surroundings);
  SaverRun run(RunModeOf(mode), leaves, host, &host);

  std::optional<std::string_view> preview_argument;
  if (arguments.size() > 1) preview_argument = arguments[1];
  bool started = false;
  try {
    started = run.Start(TimeOfDay{12, 0, 0, 0}, preview_argument);
  } catch (const ConvertError&) {
    Require(mode == 'P', "a conversion error outside a preview");
  } catch (const DrawingFailure&) {
    // A preview window too small for its desktop picture fails the start-up loudly.
    Require(mode == 'P', "a drawing failure outside a preview");
  }
  Require(started == run.Started(), "start-up result");
  if (!started) {
    Require(mode == 'P', "a full-screen start-up failed");
    return 0;
  }
  // A wake at every tick of the run's pace, the pointer where the input put it and once far off.
  const auto interval = std::chrono::milliseconds(
      run.Mode() == RunMode::kPreview ? kPreviewTickInterval : TickInterval(run.CurrentSettings().fast));
  MonotonicTime now{};
  run.Advance(now);
  for (int wake = 0; wake < surroundings.ticks; ++wake) {
    run.PointerAt(wake == 3 ? Point{-surroundings.cursor.x, -surroundings.cursor.y} : surroundings.cursor);
    now += interval;
    const SaverRun::Wake result = run.Advance(now);
    const bool closing = run.TakeCloseRequest();
    Require(result.ticks <= 1 && (closing || result.next_wake), "one tick a wake at the pace, and a next one");
    if (closing) break;
  }
  if (run.MayClose()) run.Close();
  return 0;
}
