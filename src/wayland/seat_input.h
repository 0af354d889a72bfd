// The seats' keyboards, pointers and touch screens, in the saver's words: what they report goes
// to the client (SeatReports), which hands it to the run. No cursor shows over the saver.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace ambervale {

class SeatReports {
 public:
  virtual ~SeatReports() = default;
  virtual void KeyboardArrived() = 0;
  virtual void KeyboardEntered(wl_surface* surface) = 0;
  virtual void KeyPressed() = 0;
  virtual void ButtonPressed() = 0;  // a mouse button or a touch
  // The pointer at (x, y) on `surface`, having entered it or moved over it.
  virtual void PointerAt(wl_surface* surface, wl_fixed_t x, wl_fixed_t y, bool moved) = 0;
};

class Seats {
 public:
  // Out of line, where a Seat is complete: a member's cleanup needs it.
  explicit Seats(SeatReports& reports);
  ~Seats();
  void Add(wl_registry* registry, uint32_t name, uint32_t version);
  void Remove(uint32_t name);
  // The pointers over `surface` are over nothing of ours any more.
  void Forget(wl_surface* surface);

  struct Seat;

 private:
  SeatReports& reports_;
  std::vector<std::unique_ptr<Seat>> seats_;
};

}  // namespace ambervale
