// Native builds: the pictures' bytes are compiled in (see embed_pictures.cmake).
#include "assets/leaves/leaf_pictures.h"

#include <cstddef>

namespace ambervale {
namespace leaf_picture_data {
extern const uint8_t* const kBytes[kLeafPictureCount];
extern const size_t kSizes[kLeafPictureCount];
}  // namespace leaf_picture_data

std::span<const uint8_t> LeafPictureBytes(int32_t index) {
  if (index < 1 || index > kLeafPictureCount) return {};
  return {leaf_picture_data::kBytes[index - 1], leaf_picture_data::kSizes[index - 1]};
}

}  // namespace ambervale
