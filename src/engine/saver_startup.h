// The saver window's frame around a run, free of any window system: the start-up
// (FormCreate), the exit checks at the head of every tick, the key exit, the close decision
// and the close. The Windows saver window supplies the platform calls; tests supply fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/mouse_exit_rule.h"
#include "engine/random.h"
#include "engine/saver_state.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

inline constexpr uint16_t kEscapeKey = 27;
inline constexpr uint32_t kPreviewTickInterval = 30;
inline constexpr int32_t kFullScreenSpriteSize = 100;
inline constexpr int32_t kPreviewSpriteSize = 20;

// The mode letter of the first command-line argument: its first character dropped, the next
// one upper-cased (a..z only); 0 when the argument has fewer than two characters.
char ParseRunMode(std::string_view first_argument);

// The preview window's handle: optional blanks, an optional sign and decimal digits, within
// the 32-bit integer range. Anything else raises EConvertError
// "'%s' is not a valid integer value".
int32_t ParsePreviewHandle(std::string_view text);

// 102 - 2 x Fast milliseconds. A stored Fast above 50 would give no tick at all (0) or a
// wrapped, weeks-long one, so the pace bottoms out at the fastest the dialog can set (2 ms).
uint32_t TickInterval(uint8_t fast);

struct ScreenSize {
  int32_t width = 0;
  int32_t height = 0;
};

struct TimeOfDay {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  int milliseconds = 0;
};

// What the start-up and the exit logic need of the window system and of the engine.
class SaverPlatform {
 public:
  virtual ~SaverPlatform() = default;

  virtual void LoadSettings(SaverState& state) = 0;
  virtual TimeOfDay UtcTimeOfDay() = 0;
  virtual ScreenSize PrimaryScreenSize() = 0;
  // GetWindowRect of a foreign window; false when the handle names no window.
  virtual bool WindowRect(int32_t window, Rect& rect) = 0;
  virtual uintptr_t ScreenDC() = 0;                  // GetDC(null)
  virtual uintptr_t WindowDC(int32_t window) = 0;    // GetDC(window)
  // Copies the screen's top-left pixels into the surface (GetDC(null), then CopyFromScreen).
  virtual void CaptureScreen(TDIB& surface) = 0;
  virtual std::unique_ptr<DrawTarget> CreateDrawTarget(uintptr_t dc) = 0;
  virtual std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) = 0;
  virtual void SetTimerInterval(uint32_t milliseconds) = 0;
  virtual Point CursorPos() = 0;
  // A monotonic clock in milliseconds, for the mouse exit.
  virtual uint64_t MonotonicMilliseconds();
  virtual void SetScreensaverRunning(bool running) = 0;  // SPI_SCREENSAVERRUNNING
  virtual bool IsActiveWindow() = 0;                     // the saver window has the activation
  virtual void RequestClose() = 0;                       // the saver window's close request

  // Engine operations of the saver window.
  virtual void UpAlgorithm() = 0;
  virtual void Snowflake() = 0;
  virtual void UpScreen() = 0;
};

// Sizes SpriteDib to size x size, clears it to black and sets SpriteRect to it.
void MakeSprite(SaverState& state, int32_t size);

// Copies ScreenDib into the capture planes (sized to it) and from them into CaptureBitmap,
// alpha 255.
void CopyCapture(SaverState& state);

class SaverLifecycle {
 public:
  enum class Phase { kNotCreated, kCreating, kRunning, kFailed, kClosed };

  SaverLifecycle(SaverState& state, Random& random, SaverPlatform& platform);

  // The start-up. An error leaves the phase kFailed and propagates to the caller's error
  // handler. A preview handle that names no window also fails the start-up, quietly: the host
  // has already dropped its preview. Returns true when the run started.
  bool FormCreate(std::optional<std::string_view> preview_argument);

  // True once the start-up completed: only then may anything touch the surfaces, bitmaps or
  // drawing target.
  bool Started() const { return phase_ == Phase::kRunning; }
  Phase phase() const { return phase_; }

  void ExitChecks();
  void FormKeyDown(uint16_t key);
  // The close decision: true grants the close.
  bool FormCloseQuery();
  void FormClose();

 private:
  bool StartUp(std::optional<std::string_view> preview_argument);
  void StartFullScreen();
  bool StartPreview(std::optional<std::string_view> preview_argument);
  SaverState& state_;
  Random& random_;
  SaverPlatform& platform_;
  Phase phase_ = Phase::kNotCreated;
  MouseExitRule mouse_exit_;
};

}  // namespace ambervale
