#include "surfaces/blend_row.h"

#include <vector>

#include "surfaces/blend.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define AMBERVALE_BLEND_X86 1
#elif defined(__aarch64__) && defined(__ARM_NEON)
#include <arm_neon.h>
#define AMBERVALE_BLEND_NEON 1
#endif

namespace ambervale {
namespace {

void BlendRowPlain(const Argb* colours, uint32_t* row, size_t count) {
  for (size_t i = 0; i < count; ++i) row[i] = BlendPixel(colours[i], row[i]);
}

// Every vector path works as BlendPixel does, on 16-bit lanes: v = s x a + d x (255 - a) + 127
// fits them (at most 65,152), and v / 255 is (v + 1 + (v >> 8)) >> 8. The top byte is the
// pixel's where the colour's alpha is 0, else 0. The pixels left over go the plain way.

#if defined(AMBERVALE_BLEND_X86)

// x86 has a 16-bit multiply that keeps the high half: v / 255 is (v x 0x8081) >> 23 for every
// 16-bit v, one multiply and a shift instead of three steps.
constexpr int16_t kDivide255 = static_cast<int16_t>(0x8081);

// Two pixels' channels, widened to 16 bits, blended.
inline __m128i BlendWide(__m128i colour, __m128i pixel) {
  const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(colour, 0xFF), 0xFF);
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  const __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, alpha), _mm_mullo_epi16(pixel, inverse)),
                                  _mm_set1_epi16(127));
  return _mm_srli_epi16(_mm_mulhi_epu16(v, _mm_set1_epi16(kDivide255)), 7);
}

void BlendRowSse2(const Argb* colours, uint32_t* row, size_t count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i colour = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + i));
    const __m128i pixel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i low = BlendWide(_mm_unpacklo_epi8(colour, zero), _mm_unpacklo_epi8(pixel, zero));
    const __m128i high = BlendWide(_mm_unpackhi_epi8(colour, zero), _mm_unpackhi_epi8(pixel, zero));
    const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(colour, top), zero);
    const __m128i kept_top = _mm_and_si128(_mm_and_si128(pixel, top), transparent);
    const __m128i blended = _mm_andnot_si128(top, _mm_packus_epi16(low, high));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_or_si128(blended, kept_top));
  }
  BlendRowPlain(colours + i, row + i, count - i);
}

[[gnu::target("avx2")]] inline __m256i BlendWideAvx2(__m256i colour, __m256i pixel) {
  const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(colour, 0xFF), 0xFF);
  const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), alpha);
  const __m256i v = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(pixel, inverse)), _mm256_set1_epi16(127));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi16(kDivide255)), 7);
}

// Unpacking and packing work within each 128-bit half, so the pixels come back in their order.
[[gnu::target("avx2")]] void BlendRowAvx2(const Argb* colours, uint32_t* row, size_t count) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i top = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i colour = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + i));
    const __m256i pixel = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
    const __m256i low = BlendWideAvx2(_mm256_unpacklo_epi8(colour, zero), _mm256_unpacklo_epi8(pixel, zero));
    const __m256i high = BlendWideAvx2(_mm256_unpackhi_epi8(colour, zero), _mm256_unpackhi_epi8(pixel, zero));
    const __m256i transparent = _mm256_cmpeq_epi32(_mm256_and_si256(colour, top), zero);
    const __m256i kept_top = _mm256_and_si256(_mm256_and_si256(pixel, top), transparent);
    const __m256i blended = _mm256_andnot_si256(top, _mm256_packus_epi16(low, high));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), _mm256_or_si256(blended, kept_top));
  }
  BlendRowSse2(colours + i, row + i, count - i);
}

// One way on every x86-64 system, Windows included (a PE image has no ifunc to pick a clone at
// load time): ask the processor. GCC's check also asks the system whether it saves the AVX state.
bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

#elif defined(AMBERVALE_BLEND_NEON)

// Channel planes of eight pixels: the products widen to 16 bits as they are made.
inline uint8x8_t BlendPlane(uint8x8_t colour, uint8x8_t pixel, uint8x8_t alpha, uint8x8_t inverse) {
  const uint16x8_t v = vaddq_u16(vmlal_u8(vmull_u8(colour, alpha), pixel, inverse), vdupq_n_u16(127));
  return vshrn_n_u16(vaddq_u16(vaddq_u16(v, vdupq_n_u16(1)), vshrq_n_u16(v, 8)), 8);
}

void BlendRowNeon(const Argb* colours, uint32_t* row, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const uint8x8x4_t colour = vld4_u8(reinterpret_cast<const uint8_t*>(colours + i));
    uint8x8x4_t pixel = vld4_u8(reinterpret_cast<const uint8_t*>(row + i));
    const uint8x8_t alpha = colour.val[3];
    const uint8x8_t inverse = vsub_u8(vdup_n_u8(255), alpha);
    for (int c = 0; c < 3; ++c) pixel.val[c] = BlendPlane(colour.val[c], pixel.val[c], alpha, inverse);
    pixel.val[3] = vand_u8(pixel.val[3], vceq_u8(alpha, vdup_n_u8(0)));
    vst4_u8(reinterpret_cast<uint8_t*>(row + i), pixel);
  }
  BlendRowPlain(colours + i, row + i, count - i);
}

#endif

std::vector<BlendRowPath> DetectPaths() {
  std::vector<BlendRowPath> paths{{"plain", &BlendRowPlain}};
#if defined(AMBERVALE_BLEND_X86)
  paths.push_back({"sse2", &BlendRowSse2});
  if (HasAvx2()) paths.push_back({"avx2", &BlendRowAvx2});
#elif defined(AMBERVALE_BLEND_NEON)
  paths.push_back({"neon", &BlendRowNeon});
#endif
  return paths;
}

}  // namespace

std::span<const BlendRowPath> BlendRowPaths() {
  static const std::vector<BlendRowPath> paths = DetectPaths();
  return paths;
}

void BlendRow(const Argb* colours, uint32_t* row, size_t count) {
  static const BlendRowFunction fastest = BlendRowPaths().back().blend;
  fastest(colours, row, count);
}

}  // namespace ambervale
