#include "surfaces/jpeg_image.h"

#include <utility>

#include "base/errors.h"
#include "surfaces/jpeg_error_manager.h"

namespace ambervale {
namespace {

// A corrupt header can claim a picture of up to 65500 x 65500; decoding stops before
// allocating more than this.
constexpr uint64_t kMaxDecodedBytes = uint64_t{256} << 20;

void Fail(j_decompress_ptr info, int code) {
  info->err->msg_code = code;
  (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
}

// Runs the whole decode between setjmp and the cleanup; no C++ object with a destructor
// is made between them, so the jump skips nothing that needs unwinding.
bool Decode(std::span<const uint8_t> jpeg, PictureDepth depth, DecodedPicture& out, int& error_code) {
  jpeg_decompress_struct info{};
  ReturningErrorManager errors{};
  info.err = InstallReturningErrors(errors);
  if (setjmp(errors.resume)) {
    error_code = errors.base.msg_code;
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  // Output is full size, so the header's dimensions are the decoded ones; checked before
  // the decoder sets up any buffers for them.
  const uint64_t pixel_bytes = depth == PictureDepth::kPalette236 ? 1 : 3;
  if (uint64_t{info.image_width} * info.image_height * pixel_bytes > kMaxDecodedBytes) Fail(&info, JERR_IMAGE_TOO_BIG);
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
  out.palette.clear();
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.pixels.data() + static_cast<size_t>(info.output_scanline) * out.row_bytes;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) Fail(&info, JERR_INPUT_EOF);
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

JpegImage::JpegImage(std::span<const uint8_t> jpeg, PictureDepth depth) : jpeg_(jpeg), depth_(depth) {}
JpegImage::~JpegImage() = default;

const DecodedPicture& JpegImage::Decoded() {
  if (decoded_) return *decoded_;
  auto picture = std::make_unique<DecodedPicture>();
  int error_code = 0;
  ++decode_count_;
  if (!Decode(jpeg_, depth_, *picture, error_code)) throw JpegError(Format("JPEG error #%d", error_code));
  decoded_ = std::move(picture);
  return *decoded_;
}

}  // namespace ambervale
