// libjpeg's default error handler ends the process; this one jumps back to the caller's
// setjmp so that a bad picture becomes an exception instead. Warnings (truncated data, for
// one) are not errors: libjpeg carries on and the picture is kept as decoded.
#pragma once

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace ambervale {

struct ReturningErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf resume;
};

inline void JumpBackOnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ReturningErrorManager*>(info->err);
  std::longjmp(manager->resume, 1);
}

inline void DiscardMessage(j_common_ptr) {}

// Sets up `manager` for `err` of a codec object; the caller then does setjmp(manager.resume).
inline jpeg_error_mgr* InstallReturningErrors(ReturningErrorManager& manager) {
  jpeg_error_mgr* err = jpeg_std_error(&manager.base);
  manager.base.error_exit = JumpBackOnError;
  manager.base.output_message = DiscardMessage;
  return err;
}

}  // namespace ambervale
