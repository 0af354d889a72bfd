// The coverage masks of the pictures as a C++ include file, so that tests can tell leaf from
// background without reading files (they also run under Wine against the embedded pictures).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafgen {

// One row of `size` mask values (0 or 1) as hex digits, four pixels a digit, the leftmost
// pixel in the digit's highest bit; a last partial digit is padded with zero bits.
std::string MaskRowHex(const uint8_t* row, int size);
// Back from hex digits; false for a character that is not a hex digit or a short string.
bool MaskRowFromHex(const std::string& hex, int size, std::vector<uint8_t>& row);

// The include file for all masks (each size x size, in picture order).
std::string MasksInclude(const std::vector<std::vector<uint8_t>>& masks, int size);

}  // namespace leafgen
