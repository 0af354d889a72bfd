#include "x11/x_presenter.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

#include "x11/x_pictures.h"

namespace ambervale {
namespace {

// The image is a strip of the window this many rows tall: a leaf's cell fits in one or a few
// strips, and a full repaint goes strip by strip, so the window's size costs no third copy
// of the picture.
constexpr int kStripRows = 128;

}  // namespace

XPresenter::XPresenter(Display* display, Window window, Visual* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth) {
  XGCValues values{};
  values.graphics_exposures = False;
  gc_ = XCreateGC(display_, window_, GCGraphicsExposures, &values);
  shm_available_ = XShmQueryExtension(display_) == True;
  if (shm_available_) completion_event_ = XShmGetEventBase(display_) + ShmCompletion;
}

bool XPresenter::HandleEvent(const XEvent& event) {
  if (event.type != completion_event_) return false;
  read_pending_ = false;
  return true;
}

// Normally the completion has long arrived (a tick later); otherwise one round trip makes
// sure the server is done with the image before it is written again.
void XPresenter::AwaitImageRead() {
  if (!read_pending_) return;
  XEvent event;
  if (!XCheckTypedEvent(display_, completion_event_, &event)) XSync(display_, False);
  read_pending_ = false;
}

XPresenter::~XPresenter() {
  Release();
  XFreeGC(display_, gc_);
}

void XPresenter::Release() {
  if (image_ == nullptr) return;
  if (shm_attached_) {
    AwaitImageRead();
    XShmDetach(display_, &shm_);
    XSync(display_, False);
    image_->data = nullptr;
    XDestroyImage(image_);
    shmdt(shm_.shmaddr);
    shm_attached_ = false;
    whole_window_ = false;
  } else {
    XDestroyImage(image_);  // frees the data we gave it
  }
  image_ = nullptr;
}

uint32_t* XPresenter::SharedPixels(int width, int height) {
  Release();
  if (width <= 0 || height <= 0 || !shm_available_ || !CreateSharedImage(width, height)) return nullptr;
  if (!IsNativeLayout(image_) || image_->bytes_per_line != 4 * width) {
    Release();
    return nullptr;
  }
  whole_window_ = true;
  return reinterpret_cast<uint32_t*>(image_->data);
}

bool XPresenter::DrawnInPlace(const BackBuffer& buffer) const {
  return whole_window_ && buffer.Pixels() == reinterpret_cast<const uint32_t*>(image_->data);
}

void XPresenter::Resize(int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return;
  height = std::min(height, kStripRows);
  if (shm_available_ && CreateSharedImage(width, height)) return;
  // One refusal (a remote display, a server that may not see our segment) is enough.
  shm_available_ = false;
  CreatePlainImage(width, height);
}

bool XPresenter::CreateSharedImage(int width, int height) {
  XImage* image = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &shm_,
                                  static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (image == nullptr) return false;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
  shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm_.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  shm_.shmaddr = image->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
  shm_.readOnly = False;
  bool attached = false;
  if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
    XErrorTrap trap(display_);
    XShmAttach(display_, &shm_);
    attached = !trap.Failed();
  }
  // Marked for removal at once: the segment goes when both sides let go, even if we are killed.
  shmctl(shm_.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    return false;
  }
  image_ = image;
  shm_attached_ = true;
  return true;
}

void XPresenter::CreatePlainImage(int width, int height) {
  XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return;
  image->data =
      static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), static_cast<size_t>(height)));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return;
  }
  image_ = image;
}

void XPresenter::Present(const BackBuffer& buffer, const Rect& area) {
  if (image_ == nullptr) return;
  const int right = std::min({area.right, buffer.Width(), image_->width});
  const int bottom = std::min(area.bottom, buffer.Height());
  const int left = std::max(area.left, 0);
  if (right <= left) return;
  if (DrawnInPlace(buffer)) {
    // The server reads what the buffer holds when it gets to the request. A tick drawn before
    // then shows a little early; nothing older ever shows, so nothing waits.
    const int top = std::max(area.top, 0);
    if (bottom > top)
      XShmPutImage(display_, window_, gc_, image_, left, top, left, top, static_cast<unsigned>(right - left),
                   static_cast<unsigned>(bottom - top), False);
    return;
  }
  for (int top = std::max(area.top, 0); top < bottom; top += image_->height)
    PutStrip(buffer, left, top, right - left, std::min(image_->height, bottom - top));
}

void XPresenter::PutStrip(const BackBuffer& buffer, int left, int top, int width, int height) {
  const uint32_t* rows = buffer.Pixels() + static_cast<size_t>(top) * buffer.Width();
  if (shm_attached_) AwaitImageRead();
  StorePixels(image_, rows, buffer.Width(), left, 0, width, height);
  if (shm_attached_) {
    // The server reads the segment some time after the request; it says when it has.
    XShmPutImage(display_, window_, gc_, image_, left, 0, left, top, static_cast<unsigned>(width),
                 static_cast<unsigned>(height), True);
    read_pending_ = true;
  } else {
    XPutImage(display_, window_, gc_, image_, left, 0, left, top, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
  }
}

}  // namespace ambervale
