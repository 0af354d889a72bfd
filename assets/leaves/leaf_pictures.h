// The twenty-five leaf pictures carried inside the program.
#pragma once

#include <cstdint>
#include <span>

namespace ambervale {

inline constexpr int32_t kLeafPictureCount = 25;

// The JPEG bytes of leaf picture `index` (1..25, Image1..Image25), valid for the whole run;
// an empty span for any other index. Native builds embed the bytes at build time, Windows
// builds read them from the executable's RCDATA resources numbered 1..25.
std::span<const uint8_t> LeafPictureBytes(int32_t index);

}  // namespace ambervale
