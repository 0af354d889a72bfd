#include "engine/saver_startup.h"

#include <chrono>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "base/errors.h"
#include "engine/geometry.h"
#include "surfaces/colors.h"

namespace ambervale {

char ParseRunMode(std::string_view first_argument) {
  if (first_argument.size() < 2) return 0;
  char letter = first_argument[1];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return letter;
}

int32_t ParsePreviewHandle(std::string_view text) {
  auto fail = [&]() -> int32_t {
    throw EConvertError(Format("'%s' is not a valid integer value", std::string(text).c_str()));
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return fail();
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return fail();
    value = value * 10 + (c - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return fail();
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) return fail();
  return static_cast<int32_t>(value);
}

uint32_t TickInterval(uint8_t fast) {
  int32_t interval = 102 - 2 * static_cast<int32_t>(fast);
  return interval < 2 ? 2u : static_cast<uint32_t>(interval);
}

uint64_t SaverPlatform::MonotonicMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

void SizeAndClear(TDIB& surface, int32_t width, int32_t height) {
  surface.SetDibWidth(width);
  surface.SetDibHeight(height);
  const ColorRef black = PackRgb(0, 0, 0);
  for (int32_t y = 0; y < surface.Height(); ++y)
    for (int32_t x = 0; x < surface.Width(); ++x) surface.PutPixel(x, y, black);
}

}  // namespace

void CopyCapture(SaverState& state) {
  TDIB& screen = state.ScreenDib;
  const int32_t width = screen.Width();
  const int32_t height = screen.Height();
  state.CaptureR.Resize(width, height);
  state.CaptureG.Resize(width, height);
  state.CaptureB.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = screen.RowBytes(y);
    for (int32_t x = 0; x < width; ++x) {
      state.CaptureR.At(y, x) = row[3 * x + 2];
      state.CaptureG.At(y, x) = row[3 * x + 1];
      state.CaptureB.At(y, x) = row[3 * x];
    }
  }
  if (!state.CaptureBitmap) return;
  // One bulk write instead of a platform call per pixel: the same pixels, in far less time.
  std::vector<Argb> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] =
          PackArgb(255, state.CaptureR.At(y, x), state.CaptureG.At(y, x), state.CaptureB.At(y, x));
  if (state.CaptureBitmap->Width() == width && state.CaptureBitmap->Height() == height)
    state.CaptureBitmap->PutArgbRows(pixels.data());
  else
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) state.CaptureBitmap->PutArgb(x, y, pixels[static_cast<size_t>(y) * width + x]);
}

SaverLifecycle::SaverLifecycle(SaverState& state, Random& random, SaverPlatform& platform)
    : state_(state), random_(random), platform_(platform) {}

bool SaverLifecycle::FormCreate(std::optional<std::string_view> preview_argument) {
  phase_ = Phase::kCreating;
  try {
    if (!StartUp(preview_argument)) {
      phase_ = Phase::kFailed;
      return false;
    }
  } catch (...) {
    phase_ = Phase::kFailed;
    throw;
  }
  phase_ = Phase::kRunning;
  return true;
}

bool SaverLifecycle::StartUp(std::optional<std::string_view> preview_argument) {
  platform_.LoadSettings(state_);

  const TimeOfDay now = platform_.UtcTimeOfDay();
  random_.Seed(TimeOfDaySeed(now.hours, now.minutes, now.seconds, now.milliseconds));

  state_.SpriteDib.SetDepth(24);
  state_.ScreenDib.SetDepth(24);

  if (state_.RunMode != 'P') {
    StartFullScreen();
  } else if (!StartPreview(preview_argument)) {
    return false;
  }

  state_.LastCursor = platform_.CursorPos();
  mouse_exit_.Start(platform_.MonotonicMilliseconds(), state_.LastCursor);
  platform_.SetScreensaverRunning(true);
  return true;
}

void MakeSprite(SaverState& state, int32_t size) {
  SizeAndClear(state.SpriteDib, size, size);
  state.SpriteRect = Rect{0, 0, state.SpriteDib.Width(), state.SpriteDib.Height()};
}

void SaverLifecycle::StartFullScreen() {
  const ScreenSize screen = platform_.PrimaryScreenSize();
  ApplyFullScreenGeometry(state_, screen.width, screen.height);
  MakeSprite(state_, kFullScreenSpriteSize);
  state_.TargetDC = platform_.ScreenDC();
  state_.TargetGraphics = platform_.CreateDrawTarget(state_.TargetDC);
  state_.SpriteBitmap = platform_.CreateBitmap(state_.SpriteDib.Width(), state_.SpriteDib.Height());
  platform_.SetTimerInterval(TickInterval(state_.Fast));
  platform_.UpAlgorithm();
  platform_.Snowflake();
}

bool SaverLifecycle::StartPreview(std::optional<std::string_view> preview_argument) {
  const int32_t window = ParsePreviewHandle(preview_argument.value_or(std::string_view()));
  Rect rect;
  if (!platform_.WindowRect(window, rect)) return false;
  ApplyPreviewGeometry(state_, rect.Width(), rect.Height());
  MakeSprite(state_, kPreviewSpriteSize);

  const ScreenSize screen = platform_.PrimaryScreenSize();
  SizeAndClear(state_.ScreenDib, screen.width, screen.height);
  platform_.CaptureScreen(state_.ScreenDib);
  state_.CaptureBitmap = platform_.CreateBitmap(state_.ScreenDib.Width(), state_.ScreenDib.Height());
  CopyCapture(state_);

  state_.TargetDC = platform_.WindowDC(window);
  state_.TargetGraphics = platform_.CreateDrawTarget(state_.TargetDC);
  state_.SpriteBitmap = platform_.CreateBitmap(kPreviewSpriteSize, kPreviewSpriteSize);
  platform_.UpScreen();
  platform_.UpAlgorithm();
  platform_.Snowflake();
  return true;
}

void SaverLifecycle::ExitChecks() {
  if (phase_ != Phase::kRunning) return;
  if (state_.RunMode == 'P' && !platform_.IsActiveWindow()) platform_.RequestClose();
  if (state_.Key_Exit && !state_.ConfigMode && state_.RunMode != 'P') {
    state_.CurCursor = platform_.CursorPos();
    if (mouse_exit_.Moved(platform_.MonotonicMilliseconds(), TickInterval(state_.Fast), state_.CurCursor))
      platform_.RequestClose();
    // Remember the reading just compared: a second read would take a jump that lands between
    // the two as its starting point, and no later tick would see it.
    state_.LastCursor = state_.CurCursor;
  }
}

void SaverLifecycle::FormKeyDown(uint16_t key) {
  if (state_.Key_Exit || key == kEscapeKey) platform_.RequestClose();
}

bool SaverLifecycle::FormCloseQuery() {
  if (phase_ == Phase::kClosed) return false;
  // A run whose start-up failed has nothing to restore and nothing to hold it: it ends.
  if (phase_ != Phase::kRunning) {
    state_.CloseAllowed = true;
    return true;
  }
  if (state_.RunMode == 'P') state_.CloseAllowed = true;
  if (state_.CloseAllowed) return true;
  if (state_.ConfigMode) return false;
  state_.CloseAllowed = true;
  platform_.UpScreen();
  return true;
}

void SaverLifecycle::FormClose() {
  // Only a run that told the system it started tells it that it stopped.
  if (phase_ == Phase::kRunning) platform_.SetScreensaverRunning(false);
  phase_ = Phase::kClosed;
}

}  // namespace ambervale
