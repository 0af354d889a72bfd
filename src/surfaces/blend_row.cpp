#include "surfaces/blend_row.h"

#include <cstring>
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
// pixel's where the colour's alpha is 0, else 0.
//
// A row's last pixels take one more vector step too. Where the row holds a whole vector, that
// step covers the row's last vector's worth of pixels, overlapping the steps before it: it is
// blended from the row as it was before any of them wrote, and stored last, so the pixels both
// cover get the same value twice.

// A row `Width` pixels a step, each step blending (`Blend`) and storing (`Store`) a vector's
// worth. A row shorter than a vector goes through vector-sized copies, so that the step reads
// and writes no pixel outside the row.
template <size_t Width, typename Pixels, Pixels (*Blend)(const Argb*, const uint32_t*),
          void (*Store)(uint32_t*, Pixels)>
inline void BlendRowInSteps(const Argb* colours, uint32_t* row, size_t count) {
  if (count < Width) {
    Argb colour_copy[Width] = {};
    uint32_t row_copy[Width] = {};
    std::memcpy(colour_copy, colours, count * sizeof(Argb));
    std::memcpy(row_copy, row, count * sizeof(uint32_t));
    Store(row_copy, Blend(colour_copy, row_copy));
    std::memcpy(row, row_copy, count * sizeof(uint32_t));
    return;
  }
  const size_t last = count - Width;
  const Pixels last_step = Blend(colours + last, row + last);
  for (size_t i = 0; i < last; i += Width) Store(row + i, Blend(colours + i, row + i));
  Store(row + last, last_step);
}

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

// Four pixels blended, from four colours and the four pixels under them.
inline __m128i BlendFour(const Argb* colours, const uint32_t* row) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i colour = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours));
  const __m128i pixel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  const __m128i low = BlendWide(_mm_unpacklo_epi8(colour, zero), _mm_unpacklo_epi8(pixel, zero));
  const __m128i high = BlendWide(_mm_unpackhi_epi8(colour, zero), _mm_unpackhi_epi8(pixel, zero));
  const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(colour, top), zero);
  const __m128i kept_top = _mm_and_si128(_mm_and_si128(pixel, top), transparent);
  return _mm_or_si128(_mm_andnot_si128(top, _mm_packus_epi16(low, high)), kept_top);
}

inline void StoreFour(uint32_t* row, __m128i pixels) { _mm_storeu_si128(reinterpret_cast<__m128i*>(row), pixels); }

void BlendRowSse2(const Argb* colours, uint32_t* row, size_t count) {
  BlendRowInSteps<4, __m128i, BlendFour, StoreFour>(colours, row, count);
}

[[gnu::target("avx2")]] inline __m256i BlendWideAvx2(__m256i colour, __m256i pixel) {
  const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(colour, 0xFF), 0xFF);
  const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), alpha);
  const __m256i v = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(pixel, inverse)), _mm256_set1_epi16(127));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi16(kDivide255)), 7);
}

// Eight pixels blended. Unpacking and packing work within each 128-bit half, so the pixels come
// back in their order.
[[gnu::target("avx2")]] inline __m256i BlendEight(const Argb* colours, const uint32_t* row) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i top = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i colour = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours));
  const __m256i pixel = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
  const __m256i low = BlendWideAvx2(_mm256_unpacklo_epi8(colour, zero), _mm256_unpacklo_epi8(pixel, zero));
  const __m256i high = BlendWideAvx2(_mm256_unpackhi_epi8(colour, zero), _mm256_unpackhi_epi8(pixel, zero));
  const __m256i transparent = _mm256_cmpeq_epi32(_mm256_and_si256(colour, top), zero);
  const __m256i kept_top = _mm256_and_si256(_mm256_and_si256(pixel, top), transparent);
  return _mm256_or_si256(_mm256_andnot_si256(top, _mm256_packus_epi16(low, high)), kept_top);
}

[[gnu::target("avx2")]] inline void StoreEight(uint32_t* row, __m256i pixels) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), pixels);
}

// BlendRowInSteps written out, since a function made from the template would not be compiled
// for AVX2. A row shorter than eight pixels goes the SSE2 way.
[[gnu::target("avx2")]] void BlendRowAvx2(const Argb* colours, uint32_t* row, size_t count) {
  if (count < 8) {
    BlendRowSse2(colours, row, count);
    return;
  }
  const size_t last = count - 8;
  const __m256i last_eight = BlendEight(colours + last, row + last);
  for (size_t i = 0; i < last; i += 8) StoreEight(row + i, BlendEight(colours + i, row + i));
  StoreEight(row + last, last_eight);
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

// Eight pixels blended, as four planes of one channel each.
inline uint8x8x4_t BlendEight(const Argb* colours, const uint32_t* row) {
  const uint8x8x4_t colour = vld4_u8(reinterpret_cast<const uint8_t*>(colours));
  uint8x8x4_t pixel = vld4_u8(reinterpret_cast<const uint8_t*>(row));
  const uint8x8_t alpha = colour.val[3];
  const uint8x8_t inverse = vsub_u8(vdup_n_u8(255), alpha);
  for (int c = 0; c < 3; ++c) pixel.val[c] = BlendPlane(colour.val[c], pixel.val[c], alpha, inverse);
  pixel.val[3] = vand_u8(pixel.val[3], vceq_u8(alpha, vdup_n_u8(0)));
  return pixel;
}

inline void StoreEight(uint32_t* row, uint8x8x4_t pixels) { vst4_u8(reinterpret_cast<uint8_t*>(row), pixels); }

void BlendRowNeon(const Argb* colours, uint32_t* row, size_t count) {
  BlendRowInSteps<8, uint8x8x4_t, BlendEight, StoreEight>(colours, row, count);
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
