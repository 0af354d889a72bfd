#include "surfaces/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include "engine/errors.h"

extern "C" {
#include <jpeglib.h>
}

namespace ambervale {
namespace {

// libjpeg's default error handler ends the process; this one jumps back to the decoder so
// that a bad picture becomes an EJPEG exception instead.
struct ReturningErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf resume;
};

void OnDecoderError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ReturningErrorManager*>(info->err);
  std::longjmp(manager->resume, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Runs the whole decode between setjmp and the cleanup; no C++ object with a destructor
// lives across the jump.
bool Decode(std::span<const uint8_t> jpeg, PictureDepth depth, DecodedPicture& out, int& error_code) {
  jpeg_decompress_struct info{};
  ReturningErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnDecoderError;
  errors.base.output_message = IgnoreMessage;
  if (setjmp(errors.resume)) {
    error_code = errors.base.msg_code;
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 1;
  info.out_color_space = JCS_RGB;
  info.dct_method = JDCT_FLOAT;
  info.do_block_smoothing = TRUE;
  if (depth == PictureDepth::kPalette236) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = 236;
  }
  jpeg_start_decompress(&info);

  out.width = static_cast<int32_t>(info.output_width);
  out.height = static_cast<int32_t>(info.output_height);
  out.bits = depth == PictureDepth::kPalette236 ? 8 : 24;
  out.row_bytes = out.bits == 8 ? out.width : out.width * 3;
  out.pixels.resize(static_cast<size_t>(out.row_bytes) * static_cast<size_t>(out.height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.pixels.data() + static_cast<size_t>(info.output_scanline) * out.row_bytes;
    jpeg_read_scanlines(&info, &row, 1);
    if (out.bits == 24) {
      for (int32_t x = 0; x < out.width; ++x) std::swap(row[3 * x], row[3 * x + 2]);  // RGB -> BGR
    }
  }
  if (out.bits == 8) {
    out.palette.resize(static_cast<size_t>(info.actual_number_of_colors));
    for (int i = 0; i < info.actual_number_of_colors; ++i) {
      out.palette[static_cast<size_t>(i)] = (static_cast<uint32_t>(info.colormap[0][i]) << 16) |
                                            (static_cast<uint32_t>(info.colormap[1][i]) << 8) |
                                            static_cast<uint32_t>(info.colormap[2][i]);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

TJPEGImage::TJPEGImage(std::span<const uint8_t> jpeg, PictureDepth depth) : jpeg_(jpeg), depth_(depth) {}
TJPEGImage::~TJPEGImage() = default;

const DecodedPicture& TJPEGImage::Decoded() {
  if (decoded_) return *decoded_;
  auto picture = std::make_unique<DecodedPicture>();
  int error_code = 0;
  ++decode_count_;
  if (!Decode(jpeg_, depth_, *picture, error_code)) throw EJPEG(Format("JPEG error #%d", error_code));
  decoded_ = std::move(picture);
  return *decoded_;
}

}  // namespace ambervale
