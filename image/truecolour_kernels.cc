// The 24-bit encoder, compiled for the baseline instruction set and, on
// x86-64 Linux, also with AVX2; the fastest variant the processor runs is
// chosen once, at the first save.
//
// The store keeps columns and the file wants rows, so every variant reads a
// group of columns side by side, upwards in memory, and writes the group's
// part of each file row: the file rows of a block are filled from the last
// one back.
#include "image/truecolour_kernels.h"

#include <cstring>

#include "image/bmp_layout.h"
#include "image/instruction_set_variants.h"
#include "image/raster_image_access.h"

#if defined(KORVEL_X86_VARIANTS)
#include <immintrin.h>
#endif

namespace korvel {
namespace {

// Blue, green and red of p in the low three bytes, as one load and a mask.
std::uint64_t Bgr(const ColorQuad& p) {
  return bmp::LoadLittleEndian<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(&p)) & 0xFFFFFFu;
}

// Stores the blue, green and red of eight pixels (as Bgr gives them) as
// three 8-byte stores instead of 24 single bytes.
void StoreEightBgr(const std::uint64_t (&p)[8], std::uint8_t* at) {
  bmp::StoreLittleEndian(at, p[0] | p[1] << 24 | p[2] << 48);
  bmp::StoreLittleEndian(at + 8, p[2] >> 16 | p[3] << 8 | p[4] << 32 | p[5] << 56);
  bmp::StoreLittleEndian(at + 16, p[5] >> 8 | p[6] << 16 | p[7] << 40);
}

void StoreBgr(const ColorQuad& p, std::uint8_t* at) {
  at[0] = p.blue;
  at[1] = p.green;
  at[2] = p.red;
}

// Where image row y of a block that starts at image row yFirst is written.
std::uint8_t* FileRow(std::uint8_t* out, int yFirst, int y, std::size_t rowBytes) {
  return out + static_cast<std::size_t>(yFirst - y) * rowBytes;
}

// Columns [xBegin, xEnd) of image rows yTop..yBottom: eight columns at a
// time, the last few one pixel at a time.
void EncodeColumnRange(const RasterImage& image, int xBegin, int xEnd, int yTop, int yBottom,
                       int yFirst, std::size_t rowBytes, std::uint8_t* out) {
  constexpr int kColumns = 8;
  int x0 = xBegin;
  for (; x0 + kColumns <= xEnd; x0 += kColumns) {
    const ColorQuad* column[kColumns];
    for (int j = 0; j < kColumns; ++j) column[j] = RasterImageAccess::Column(image, x0 + j);
    for (int y = yTop; y <= yBottom; ++y) {
      std::uint64_t p[kColumns];
      for (int j = 0; j < kColumns; ++j) p[j] = Bgr(column[j][y]);
      StoreEightBgr(p, FileRow(out, yFirst, y, rowBytes) + 3 * static_cast<std::size_t>(x0));
    }
  }
  for (; x0 < xEnd; ++x0) {
    const ColorQuad* column = RasterImageAccess::Column(image, x0);
    for (int y = yTop; y <= yBottom; ++y) {
      StoreBgr(column[y], FileRow(out, yFirst, y, rowBytes) + 3 * static_cast<std::size_t>(x0));
    }
  }
}

}  // namespace

void EncodeRun24(const ColorQuad* run, int count, std::uint8_t* row, int x0) {
  std::uint8_t* at = row + 3 * static_cast<std::size_t>(x0);
  int k = 0;
  for (; k + 8 <= count; k += 8, at += 24) {
    std::uint64_t p[8];
    for (int j = 0; j < 8; ++j) p[j] = Bgr(run[k + j]);
    StoreEightBgr(p, at);
  }
  for (; k < count; ++k, at += 3) StoreBgr(run[k], at);
}

namespace {

void EncodeRows24Baseline(const RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                          std::uint8_t* out) {
  EncodeColumnRange(image, 0, image.Width(), yFirst - rows + 1, yFirst, yFirst, rowBytes, out);
}

#if defined(KORVEL_X86_VARIANTS)
#define KORVEL_AVX2 __attribute__((target("avx2")))
// Inlined into its caller: as a call of its own per block the encoder ran
// about a fifth slower.
#define KORVEL_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))

// An 8 x 8 block of pixels, columns x0.. and image rows y0..: eight column
// segments are loaded, transposed into eight rows in registers, and each
// row's blue, green and red bytes packed into 24 bytes.
KORVEL_AVX2_INLINE void EncodeBlock8x8(const RasterImage& image, int x0, int y0, int yFirst,
                                       std::size_t rowBytes, std::uint8_t* out) {
  __m256i c[8];
  for (int j = 0; j < 8; ++j) {
    c[j] = _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(RasterImageAccess::Column(image, x0 + j) + y0));
  }
  const __m256i t0 = _mm256_unpacklo_epi32(c[0], c[1]), t1 = _mm256_unpackhi_epi32(c[0], c[1]);
  const __m256i t2 = _mm256_unpacklo_epi32(c[2], c[3]), t3 = _mm256_unpackhi_epi32(c[2], c[3]);
  const __m256i t4 = _mm256_unpacklo_epi32(c[4], c[5]), t5 = _mm256_unpackhi_epi32(c[4], c[5]);
  const __m256i t6 = _mm256_unpacklo_epi32(c[6], c[7]), t7 = _mm256_unpackhi_epi32(c[6], c[7]);
  const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
  const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
  const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
  const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
  // row[k]: pixels x0..x0+7 of image row y0 + k.
  const __m256i row[8] = {
      _mm256_permute2x128_si256(u0, u4, 0x20), _mm256_permute2x128_si256(u1, u5, 0x20),
      _mm256_permute2x128_si256(u2, u6, 0x20), _mm256_permute2x128_si256(u3, u7, 0x20),
      _mm256_permute2x128_si256(u0, u4, 0x31), _mm256_permute2x128_si256(u1, u5, 0x31),
      _mm256_permute2x128_si256(u2, u6, 0x31), _mm256_permute2x128_si256(u3, u7, 0x31)};
  // Drops every fourth byte within each half, then closes the gap between
  // the halves: 24 bytes of blue, green, red.
  const __m256i dropAlpha = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                             0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i closeGap = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  for (int k = 0; k < 8; ++k) {
    const __m256i packed =
        _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(row[k], dropAlpha), closeGap);
    std::uint8_t* at = FileRow(out, yFirst, y0 + k, rowBytes) + 3 * static_cast<std::size_t>(x0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 16), _mm256_extracti128_si256(packed, 1));
  }
}

// Sixteen columns per pass (each file row gets 48 bytes in a row), eight
// rows per block; the rows and columns left over go the baseline way.
KORVEL_AVX2 void EncodeRows24Avx2(const RasterImage& image, int yFirst, int rows,
                                  std::size_t rowBytes, std::uint8_t* out) {
  constexpr int kColumns = 16;
  const int width = image.Width();
  const int yTop = yFirst - rows + 1;
  const int yBlocksEnd = yTop + rows / 8 * 8;
  int x0 = 0;
  for (; x0 + kColumns <= width; x0 += kColumns) {
    for (int y = yTop; y < yBlocksEnd; y += 8) {
      EncodeBlock8x8(image, x0, y, yFirst, rowBytes, out);
      EncodeBlock8x8(image, x0 + 8, y, yFirst, rowBytes, out);
    }
    if (yBlocksEnd <= yFirst) {
      EncodeColumnRange(image, x0, x0 + kColumns, yBlocksEnd, yFirst, yFirst, rowBytes, out);
    }
  }
  if (x0 < width) EncodeColumnRange(image, x0, width, yTop, yFirst, yFirst, rowBytes, out);
}

#endif

const InstructionSetVariant<TrueColourKernels> kVariants[] = {
    {{"baseline", EncodeRows24Baseline}, nullptr},
#if defined(KORVEL_X86_VARIANTS)
    {{"avx2", EncodeRows24Avx2}, ProcessorRunsAvx2},
#endif
};

}  // namespace

int RunnableTrueColourKernels(const TrueColourKernels* variants[], int capacity) {
  return RunnableVariants(kVariants, variants, capacity);
}

const TrueColourKernels& FastestTrueColourKernels() {
  static const TrueColourKernels& fastest = FastestVariant(kVariants);  // once per process
  return fastest;
}

}  // namespace korvel
