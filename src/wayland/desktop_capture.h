// A picture of one output taken with wlr-screencopy before the saver's surface covers it.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "linux/scale_picture.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace ambervale {

class ShmBuffer;

class DesktopCapture {
 public:
  using Done = std::function<void(DesktopPicture)>;
  // Starts the capture; `done` runs once from the event dispatch, with an empty picture when
  // the compositor offers no shm format we read or the copy failed.
  DesktopCapture(wl_shm* shm, zwlr_screencopy_manager_v1* manager, wl_output* output, Done done);
  ~DesktopCapture();
  DesktopCapture(const DesktopCapture&) = delete;
  DesktopCapture& operator=(const DesktopCapture&) = delete;

 private:
  static const zwlr_screencopy_frame_v1_listener kListener;
  static void OnBuffer(void*, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
                       uint32_t stride);
  static void OnFlags(void*, zwlr_screencopy_frame_v1*, uint32_t flags);
  static void OnReady(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t);
  static void OnFailed(void*, zwlr_screencopy_frame_v1*);
  static void OnDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
  static void OnDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
  static void OnBufferDone(void*, zwlr_screencopy_frame_v1*);
  void Copy();
  void Finish(DesktopPicture picture);

  wl_shm* shm_;
  zwlr_screencopy_frame_v1* frame_;
  Done done_;
  std::unique_ptr<ShmBuffer> buffer_;
  uint32_t format_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool have_shm_format_ = false;
  bool copying_ = false;
  bool y_invert_ = false;
};

}  // namespace ambervale
