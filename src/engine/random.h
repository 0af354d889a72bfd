// The program's one pseudo-random generator: a 32-bit linear congruential generator whose
// Random(n) takes the high bits of seed x n, so a fixed seed replays a whole run.
#pragma once

#include <cstdint>

namespace ambervale {

class Random {
 public:
  explicit Random(uint32_t seed = 0) : seed_(seed) {}

  void Seed(uint32_t seed) { seed_ = seed; }
  uint32_t seed() const { return seed_; }

  // Uniform integer 0..n-1; 0 when n is 0 or less.
  int32_t Next(int32_t n) {
    seed_ = seed_ * 134775813u + 1u;
    if (n <= 0) return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(n)) >> 32);
  }
  int32_t operator()(int32_t n) { return Next(n); }

 private:
  uint32_t seed_;
};

// Seed from the time of day in milliseconds: ((h x 60 + m) x 60 + s) x 1000 + ms.
inline uint32_t TimeOfDaySeed(int hours, int minutes, int seconds, int milliseconds) {
  return static_cast<uint32_t>(((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds);
}

}  // namespace ambervale
