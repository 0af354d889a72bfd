// Windows builds: the pictures are RCDATA resources 1..25 of the executable.
#include <windows.h>

#include "assets/leaves/leaf_pictures.h"

namespace ambervale {

std::span<const uint8_t> LeafPictureBytes(int32_t index) {
  if (index < 1 || index > kLeafPictureCount) return {};
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(index), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  DWORD size = SizeofResource(module, found);
  // Resource memory stays mapped for the life of the module: no unlocking or freeing.
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const uint8_t*>(bytes), static_cast<size_t>(size)};
}

}  // namespace ambervale
