// Sends rectangles of the back buffer to a window: through a shared-memory image where the
// server offers MIT-SHM and accepts our segment, else through ordinary XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "surfaces/back_buffer.h"
#include "surfaces/types.h"

namespace ambervale {

class XPresenter {
 public:
  XPresenter(Display* display, Window window, Visual* visual, int depth);
  ~XPresenter();
  XPresenter(const XPresenter&) = delete;
  XPresenter& operator=(const XPresenter&) = delete;

  // An image for a buffer of this size; called again whenever the buffer is replaced.
  void Resize(int width, int height);
  // Width x height pixels of the back buffer's layout, shared with the server, for a buffer to
  // draw straight into (it must be replaced before the next Resize or SharedPixels call):
  // presenting it then copies nothing and waits for nothing. Null where the server shares no
  // memory with us or lays pixels out otherwise; then Resize.
  uint32_t* SharedPixels(int width, int height);
  // The part of `area` inside the buffer, from the buffer to the window.
  void Present(const BackBuffer& buffer, const Rect& area);
  // Takes the server's word that it has read the shared image; true when the event was that.
  bool HandleEvent(const XEvent& event);
  GC Gc() const { return gc_; }

 private:
  bool CreateSharedImage(int width, int height);
  bool DrawnInPlace(const BackBuffer& buffer) const;
  void CreatePlainImage(int width, int height);
  void PutStrip(const BackBuffer& buffer, int left, int top, int width, int height);
  void AwaitImageRead();
  void Release();

  Display* display_;
  Window window_;
  Visual* visual_;
  int depth_;
  GC gc_;
  bool shm_available_ = false;
  bool shm_attached_ = false;
  int completion_event_ = -1;
  bool read_pending_ = false;  // the server may still be reading the shared image
  bool whole_window_ = false;  // the image is the buffer's own memory, not a strip
  XShmSegmentInfo shm_{};
  XImage* image_ = nullptr;
};

}  // namespace ambervale
