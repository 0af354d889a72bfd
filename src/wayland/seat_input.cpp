#include "wayland/seat_input.h"

#include <unistd.h>

#include <algorithm>

#include "linux/callback_edge.h"
#include "wayland/wayland_globals.h"

namespace ambervale {

struct Seats::Seat {
  SeatReports* reports = nullptr;
  uint32_t global_name = 0;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  wl_touch* touch = nullptr;
  wl_surface* pointer_surface = nullptr;  // the surface the pointer is over

  void Capabilities(uint32_t capabilities);
  ~Seat() {
    if (keyboard) wl_keyboard_destroy(keyboard);
    if (pointer) wl_pointer_destroy(pointer);
    if (touch) wl_touch_destroy(touch);
    if (seat) wl_seat_destroy(seat);
  }
};

namespace {

using Seat = Seats::Seat;

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
  static_cast<Seat*>(data)->reports->KeyboardEntered(surface);
}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<Seat*>(data)->reports->KeyPressed();
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap,    AtWaylandEdge<KeyboardEnter>,
                                                KeyboardLeave,     AtWaylandEdge<KeyboardKey>,
                                                KeyboardModifiers, KeyboardRepeat};

void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  auto* seat = static_cast<Seat*>(data);
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the leaves
  seat->pointer_surface = surface;
  if (surface) seat->reports->PointerAt(surface, x, y, false);
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
  static_cast<Seat*>(data)->pointer_surface = nullptr;
}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto* seat = static_cast<Seat*>(data);
  if (seat->pointer_surface) seat->reports->PointerAt(seat->pointer_surface, x, y, true);
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<Seat*>(data)->reports->ButtonPressed();
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {AtWaylandEdge<PointerEnter>,
                                              PointerLeave,
                                              AtWaylandEdge<PointerMotion>,
                                              AtWaylandEdge<PointerButton>,
                                              PointerAxis,
                                              PointerFrame,
                                              PointerAxisSource,
                                              PointerAxisStop,
                                              PointerAxisDiscrete};

void TouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t, wl_fixed_t) {
  static_cast<Seat*>(data)->reports->ButtonPressed();
}
void TouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void TouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchFrame(void*, wl_touch*) {}
void TouchCancel(void*, wl_touch*) {}
void TouchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchOrientation(void*, wl_touch*, int32_t, wl_fixed_t) {}
const wl_touch_listener kTouchListener = {
    AtWaylandEdge<TouchDown>, TouchUp, TouchMotion, TouchFrame, TouchCancel, TouchShape, TouchOrientation};

void SeatCapabilities(void* data, wl_seat*, uint32_t capabilities) {
  static_cast<Seat*>(data)->Capabilities(capabilities);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {AtWaylandEdge<SeatCapabilities>, SeatName};

}  // namespace

void Seats::Seat::Capabilities(uint32_t capabilities) {
  const bool has_keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
  const bool has_pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
  const bool has_touch = capabilities & WL_SEAT_CAPABILITY_TOUCH;
  if (has_keyboard && !keyboard) {
    keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    reports->KeyboardArrived();
  } else if (!has_keyboard && keyboard) {
    wl_keyboard_destroy(keyboard);
    keyboard = nullptr;
  }
  if (has_pointer && !pointer) {
    pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(pointer, &kPointerListener, this);
  } else if (!has_pointer && pointer) {
    wl_pointer_destroy(pointer);
    pointer = nullptr;
    pointer_surface = nullptr;
  }
  if (has_touch && !touch) {
    touch = wl_seat_get_touch(seat);
    wl_touch_add_listener(touch, &kTouchListener, this);
  } else if (!has_touch && touch) {
    wl_touch_destroy(touch);
    touch = nullptr;
  }
}

Seats::Seats(SeatReports& reports) : reports_(reports) {}

Seats::~Seats() = default;

void Seats::Add(wl_registry* registry, uint32_t name, uint32_t version) {
  auto seat = std::make_unique<Seat>();
  seat->reports = &reports_;
  seat->global_name = name;
  seat->seat = BindGlobal<wl_seat>(registry, name, &wl_seat_interface, version, 5);
  wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
  seats_.push_back(std::move(seat));
}

void Seats::Remove(uint32_t name) {
  std::erase_if(seats_, [name](const std::unique_ptr<Seat>& s) { return s->global_name == name; });
}

void Seats::Forget(wl_surface* surface) {
  for (auto& seat : seats_)
    if (seat->pointer_surface == surface) seat->pointer_surface = nullptr;
}

}  // namespace ambervale
