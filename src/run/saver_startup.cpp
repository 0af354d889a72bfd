#include "run/saver_startup.h"

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

TimeOfDay UtcTimeOfDay() {
  using namespace std::chrono;
  const auto since_epoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  const int64_t of_day = since_epoch % (int64_t{24} * 3600 * 1000);
  const int64_t second = of_day / 1000;
  return {static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60), static_cast<int>(second % 60),
          static_cast<int>(of_day % 1000)};
}

void MakeSprite(SaverState& state, int32_t size) {
  Dib& dib = state.sprite.dib;
  dib.SetDibWidth(size);
  dib.SetDibHeight(size);
  const Rgb black = PackRgb(0, 0, 0);
  for (int32_t y = 0; y < dib.Height(); ++y)
    for (int32_t x = 0; x < dib.Width(); ++x) dib.PutPixel(x, y, black);
  state.sprite.rect = Rect{0, 0, dib.Width(), dib.Height()};
}

}  // namespace ambervale
