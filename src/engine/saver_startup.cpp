#include "engine/saver_startup.h"

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

RunMode RunModeOf(char letter) {
  switch (letter) {
    case 'P': return RunMode::kPreview;
    case 'C': return RunMode::kSettings;
    case 'A': return RunMode::kPassword;
    default: return RunMode::kFullScreen;
  }
}

int32_t ParsePreviewHandle(std::string_view text) {
  auto fail = [&]() -> int32_t {
    throw ConvertError(Format("'%s' is not a valid integer value", std::string(text).c_str()));
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

namespace {

void SizeAndClear(Dib& surface, int32_t width, int32_t height) {
  surface.SetDibWidth(width);
  surface.SetDibHeight(height);
  const ColorRef black = PackRgb(0, 0, 0);
  for (int32_t y = 0; y < surface.Height(); ++y)
    for (int32_t x = 0; x < surface.Width(); ++x) surface.PutPixel(x, y, black);
}

}  // namespace

void CopyCapture(SaverState& state) {
  Dib& screen = state.screen_dib;
  if (!state.desktop_picture) return;
  const int32_t width = screen.Width();
  const int32_t height = screen.Height();
  std::vector<Argb> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = screen.RowBytes(y);
    for (int32_t x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = PackArgb(255, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  // One bulk write instead of a platform call per pixel: the same pixels, in far less time.
  if (state.desktop_picture->Width() == width && state.desktop_picture->Height() == height)
    state.desktop_picture->PutArgbRows(pixels.data());
  else
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) state.desktop_picture->PutArgb(x, y, pixels[static_cast<size_t>(y) * width + x]);
}

SaverLifecycle::SaverLifecycle(SaverState& state, Random& random, SaverPlatform& platform)
    : state_(state), random_(random), platform_(platform) {}

bool SaverLifecycle::Start(std::optional<std::string_view> preview_argument) {
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

  state_.sprite.dib.SetDepth(24);
  state_.screen_dib.SetDepth(24);

  if (state_.run_mode != RunMode::kPreview) {
    StartFullScreen();
  } else if (!StartPreview(preview_argument)) {
    return false;
  }

  state_.last_cursor = platform_.CursorPos();
  platform_.SetScreensaverRunning(true);
  return true;
}

void MakeSprite(SaverState& state, int32_t size) {
  SizeAndClear(state.sprite.dib, size, size);
  state.sprite.rect = Rect{0, 0, state.sprite.dib.Width(), state.sprite.dib.Height()};
}

void SaverLifecycle::StartFullScreen() {
  const ScreenSize screen = platform_.PrimaryScreenSize();
  ApplyFullScreenGeometry(state_, screen.width, screen.height);
  MakeSprite(state_, kFullScreenSpriteSize);
  state_.target_dc = platform_.ScreenDC();
  state_.target = platform_.CreateDrawTarget(state_.target_dc);
  state_.sprite.bitmap = platform_.CreateBitmap(state_.sprite.dib.Width(), state_.sprite.dib.Height());
  platform_.SetTimerInterval(TickInterval(state_.settings.fast));
  platform_.StartCycle();
  platform_.BuildSprite();
}

bool SaverLifecycle::StartPreview(std::optional<std::string_view> preview_argument) {
  const int32_t window = ParsePreviewHandle(preview_argument.value_or(std::string_view()));
  Rect rect;
  if (!platform_.WindowRect(window, rect)) return false;
  ApplyPreviewGeometry(state_, rect.Width(), rect.Height());
  MakeSprite(state_, kPreviewSpriteSize);

  const ScreenSize screen = platform_.PrimaryScreenSize();
  SizeAndClear(state_.screen_dib, screen.width, screen.height);
  platform_.CaptureScreen(state_.screen_dib);
  state_.desktop_picture = platform_.CreateBitmap(state_.screen_dib.Width(), state_.screen_dib.Height());
  CopyCapture(state_);

  state_.target_dc = platform_.WindowDC(window);
  state_.target = platform_.CreateDrawTarget(state_.target_dc);
  state_.sprite.bitmap = platform_.CreateBitmap(kPreviewSpriteSize, kPreviewSpriteSize);
  platform_.RestoreAndRestart();
  platform_.StartCycle();
  platform_.BuildSprite();
  return true;
}

void SaverLifecycle::ExitChecks() {
  if (phase_ != Phase::kRunning) return;
  if (state_.run_mode == RunMode::kPreview && !platform_.IsActiveWindow()) platform_.RequestClose();
  if (state_.settings.exit_on_input && !state_.behind_dialog && state_.run_mode != RunMode::kPreview) {
    state_.cur_cursor = platform_.CursorPos();
    const int64_t dx = std::llabs(static_cast<int64_t>(state_.last_cursor.x) - state_.cur_cursor.x);
    const int64_t dy = std::llabs(static_cast<int64_t>(state_.last_cursor.y) - state_.cur_cursor.y);
    if (dx > kMouseExitThreshold || dy > kMouseExitThreshold) platform_.RequestClose();
    // Remember the reading just compared: a second read would take a jump that lands between
    // the two as its starting point, and no later tick would see it.
    state_.last_cursor = state_.cur_cursor;
  }
}

void SaverLifecycle::OnKeyDown(uint16_t key) {
  if (state_.settings.exit_on_input || key == kEscapeKey) platform_.RequestClose();
}

bool SaverLifecycle::MayClose() {
  if (phase_ == Phase::kClosed) return false;
  // A run whose start-up failed has nothing to restore and nothing to hold it: it ends.
  if (phase_ != Phase::kRunning) {
    state_.close_allowed = true;
    return true;
  }
  if (state_.run_mode == RunMode::kPreview) state_.close_allowed = true;
  if (state_.close_allowed) return true;
  if (state_.behind_dialog) return false;
  state_.close_allowed = true;
  platform_.RestoreAndRestart();
  return true;
}

void SaverLifecycle::Close() {
  // Only a run that told the system it started tells it that it stopped.
  if (phase_ == Phase::kRunning) platform_.SetScreensaverRunning(false);
  phase_ = Phase::kClosed;
}

}  // namespace ambervale
