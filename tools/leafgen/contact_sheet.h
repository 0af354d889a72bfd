// A contact sheet of the pictures: a grid on black, each picture enlarged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafgen {

struct SheetPicture {
  std::vector<uint8_t> rgb;  // width x height, red, green, blue
  int width = 0;
  int height = 0;
};

// Writes a PNG; false when it cannot be written.
bool WriteContactSheet(const std::vector<SheetPicture>& pictures, int columns, int scale, const std::string& png_path);

}  // namespace leafgen
