#include "wayland/desktop_capture.h"

#include <utility>

#include "linux/callback_edge.h"

#include "wayland/shm_buffer.h"

namespace ambervale {

const zwlr_screencopy_frame_v1_listener DesktopCapture::kListener = {
    AtWaylandEdge<&DesktopCapture::OnBuffer>,     &DesktopCapture::OnFlags,  AtWaylandEdge<&DesktopCapture::OnReady>,
    AtWaylandEdge<&DesktopCapture::OnFailed>,     &DesktopCapture::OnDamage, &DesktopCapture::OnDmabuf,
    AtWaylandEdge<&DesktopCapture::OnBufferDone>,
};

DesktopCapture::DesktopCapture(wl_shm* shm, zwlr_screencopy_manager_v1* manager, wl_output* output, Done done)
    : shm_(shm), frame_(zwlr_screencopy_manager_v1_capture_output(manager, 0, output)), done_(std::move(done)) {
  zwlr_screencopy_frame_v1_add_listener(frame_, &kListener, this);
}

DesktopCapture::~DesktopCapture() {
  if (frame_) zwlr_screencopy_frame_v1_destroy(frame_);
}

void DesktopCapture::OnBuffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
                              uint32_t height, uint32_t stride) {
  auto* self = static_cast<DesktopCapture*>(data);
  // The two formats whose 32-bit pixels are 0x??RRGGBB, the back buffer's layout.
  const bool readable = format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
  if (!readable || self->have_shm_format_ || stride != width * 4) return;
  self->have_shm_format_ = true;
  self->format_ = format;
  self->width_ = static_cast<int32_t>(width);
  self->height_ = static_cast<int32_t>(height);
  // Before version 3 no buffer_done follows: the one buffer event is all there is.
  if (zwlr_screencopy_frame_v1_get_version(frame) < 3) self->Copy();
}

void DesktopCapture::OnBufferDone(void* data, zwlr_screencopy_frame_v1*) { static_cast<DesktopCapture*>(data)->Copy(); }

void DesktopCapture::Copy() {
  if (copying_) return;
  copying_ = true;
  if (have_shm_format_) buffer_ = ShmBuffer::Create(shm_, width_, height_, format_);
  if (!buffer_) return Finish({});
  zwlr_screencopy_frame_v1_copy(frame_, buffer_->Handle());
}

void DesktopCapture::OnFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
  static_cast<DesktopCapture*>(data)->y_invert_ = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void DesktopCapture::OnReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
  auto* self = static_cast<DesktopCapture*>(data);
  DesktopPicture picture{self->width_, self->height_, {}};
  picture.pixels.resize(static_cast<size_t>(self->width_) * static_cast<size_t>(self->height_));
  for (int32_t y = 0; y < self->height_; ++y) {
    const int32_t from = self->y_invert_ ? self->height_ - 1 - y : y;
    const uint32_t* row = self->buffer_->Pixels() + static_cast<size_t>(from) * static_cast<size_t>(self->width_);
    uint32_t* out = picture.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(self->width_);
    for (int32_t x = 0; x < self->width_; ++x) out[x] = row[x] & 0x00FFFFFFu;
  }
  self->Finish(std::move(picture));
}

void DesktopCapture::OnFailed(void* data, zwlr_screencopy_frame_v1*) { static_cast<DesktopCapture*>(data)->Finish({}); }

void DesktopCapture::Finish(DesktopPicture picture) {
  if (!done_) return;
  Done done = std::move(done_);
  done_ = nullptr;
  done(std::move(picture));  // may destroy this capture: nothing may follow
}

}  // namespace ambervale
