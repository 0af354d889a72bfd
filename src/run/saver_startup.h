// The command line's run mode and preview handle, the tick's pace, and the sprite surface's
// start-up size.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/saver_state.h"
#include "surfaces/types.h"

namespace ambervale {

inline constexpr uint32_t kPreviewTickInterval = 30;
inline constexpr int32_t kFullScreenSpriteSize = 100;
inline constexpr int32_t kPreviewSpriteSize = 20;

// How the program was started: full screen, the settings dialog over a live saver, the
// preview inside the host's window, or the password request (nothing to do).
enum class RunMode : uint8_t { kNone, kFullScreen, kSettings, kPreview, kPassword };

// The mode letter of the first command-line argument: its first character dropped, the next
// one upper-cased (a..z only); 0 when the argument has fewer than two characters.
char ParseRunMode(std::string_view first_argument);
// The run a mode letter asks for: 'P' preview, 'C' settings, 'A' password; any other letter, or
// none, full screen.
RunMode RunModeOf(char letter);

// The preview window's handle: optional blanks, an optional sign and decimal digits, within
// the 32-bit integer range. Anything else raises ConvertError
// "'%s' is not a valid integer value".
int32_t ParsePreviewHandle(std::string_view text);

// 102 - 2 x Fast milliseconds. A stored Fast above 50 would give no tick at all (0) or a
// wrapped, weeks-long one, so the pace bottoms out at the fastest the dialog can set (2 ms).
uint32_t TickInterval(uint8_t fast);

struct TimeOfDay {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  int milliseconds = 0;
};

// The time of day now, in UTC: the start-up's seed.
TimeOfDay UtcTimeOfDay();

// Sizes the sprite surface to size x size, clears it to black and sets the sprite's rectangle.
void MakeSprite(SaverState& state, int32_t size);

}  // namespace ambervale
