// The rescale's inner loops, written once and compiled for the baseline
// instruction set and, on x86-64 Linux, also for AVX2 and AVX-512; the
// fastest variant the processor runs is chosen at each call.
#include "image/rescale_kernels.h"

#include <cstdint>
#include <cstring>

#include "image/instruction_set_variants.h"

namespace korvel {
namespace {

// A pixel loaded as one 32-bit word: where its channels sit.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr int kBlueShift = kLittleEndian ? 0 : 24;
constexpr int kGreenShift = kLittleEndian ? 8 : 16;
constexpr int kRedShift = kLittleEndian ? 16 : 8;

#if defined(__GNUC__)
#define KORVEL_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define KORVEL_ALWAYS_INLINE inline
#endif

// Each pixel is loaded as one word and its bytes shifted out, which
// vectorizes where byte-by-byte loads of the four fields would not.
KORVEL_ALWAYS_INLINE void GatherChannels(const ColorQuad* __restrict column,
                                         const int* __restrict rows, int count,
                                         double* __restrict blue, double* __restrict green,
                                         double* __restrict red) {
  for (int k = 0; k < count; ++k) {
    std::uint32_t word;
    std::memcpy(&word, &column[rows[k]], sizeof word);
    blue[k] = static_cast<int>((word >> kBlueShift) & 0xFF);
    green[k] = static_cast<int>((word >> kGreenShift) & 0xFF);
    red[k] = static_cast<int>((word >> kRedShift) & 0xFF);
  }
}

// A channel result lies just above -1 at the lowest (a weight can round to
// a tiny negative value) and below 256, so converting it to int truncates
// it toward zero exactly as a conversion to unsigned would, and the result
// is its low byte.
KORVEL_ALWAYS_INLINE std::uint32_t Truncate(double value) {
  return static_cast<std::uint32_t>(static_cast<int>(value));
}

// The weights of the four old pixels and the sums of their products, in
// this order: red and green add top-right, bottom-left, bottom-right and
// top-left; blue adds bottom-right, top-left, top-right and bottom-left.
// kColumns new columns between the same two old columns share the loads.
template <int kColumns>
KORVEL_ALWAYS_INLINE void InterpolateColumns(const SampledColumn& left,
                                             const SampledColumn& right, const double* fxs,
                                             const double* rowFraction, int count,
                                             ColorQuad* const* outs) {
  const double* const* topLeft = left.upper;
  const double* const* bottomLeft = left.lower;
  const double* const* topRight = right.upper;
  const double* const* bottomRight = right.lower;
  double fx[kColumns], oneMinusFx[kColumns];  // 1 - fx: the same in every row
  for (int c = 0; c < kColumns; ++c) {
    fx[c] = fxs[c];
    oneMinusFx[c] = 1.0 - fxs[c];
  }
  // New pixels are packed as words into a small buffer and then copied to
  // their column: storing the four bytes one by one would not vectorize.
  constexpr int kChunk = 256;
  std::uint32_t words[kColumns][kChunk];
  for (int start = 0; start < count; start += kChunk) {
    const int length = count - start < kChunk ? count - start : kChunk;
    for (int n = 0; n < length; ++n) {
      const int k = start + n;
      const double fy = rowFraction[k];
      const double tlB = topLeft[0][k], tlG = topLeft[1][k], tlR = topLeft[2][k];
      const double blB = bottomLeft[0][k], blG = bottomLeft[1][k], blR = bottomLeft[2][k];
      const double trB = topRight[0][k], trG = topRight[1][k], trR = topRight[2][k];
      const double brB = bottomRight[0][k], brG = bottomRight[1][k], brR = bottomRight[2][k];
      for (int c = 0; c < kColumns; ++c) {
        const double wBR = fx[c] * fy;
        const double wTL = (oneMinusFx[c] - fy) + wBR;
        const double wBL = fy - wBR;
        const double wTR = fx[c] - wBR;
        const double red = ((trR * wTR + blR * wBL) + brR * wBR) + tlR * wTL;
        const double green = ((trG * wTR + blG * wBL) + brG * wBR) + tlG * wTL;
        const double blue = ((brB * wBR + tlB * wTL) + trB * wTR) + blB * wBL;
        words[c][n] = (Truncate(blue) << kBlueShift) | (Truncate(green) << kGreenShift) |
                      (Truncate(red) << kRedShift);
      }
    }
    for (int c = 0; c < kColumns; ++c) {
      std::memcpy(outs[c] + start, words[c], sizeof(std::uint32_t) * length);
    }
  }
}

#define KORVEL_RESCALE_VARIANT(Name, Attributes)                                          \
  Attributes void Gather##Name(const ColorQuad* column, const int* rows, int count,        \
                               double* blue, double* green, double* red) {                \
    GatherChannels(column, rows, count, blue, green, red);                                \
  }                                                                                       \
  Attributes void Interpolate##Name(const SampledColumn& left, const SampledColumn& right, \
                                    double fx, const double* rowFraction, int count,      \
                                    ColorQuad* out) {                                     \
    InterpolateColumns<1>(left, right, &fx, rowFraction, count, &out);                    \
  }                                                                                       \
  Attributes void InterpolatePair##Name(const SampledColumn& left,                        \
                                        const SampledColumn& right, const double* fx,     \
                                        const double* rowFraction, int count,             \
                                        ColorQuad* const* out) {                          \
    InterpolateColumns<2>(left, right, fx, rowFraction, count, out);                      \
  }

KORVEL_RESCALE_VARIANT(Baseline, )

#if defined(KORVEL_X86_VARIANTS)
KORVEL_RESCALE_VARIANT(Avx2, __attribute__((target("avx2"))))
KORVEL_RESCALE_VARIANT(Avx512, __attribute__((target("avx512f"))))
#endif

const InstructionSetVariant<RescaleKernels> kVariants[] = {
    {{"baseline", GatherBaseline, InterpolateBaseline, InterpolatePairBaseline}, nullptr},
#if defined(KORVEL_X86_VARIANTS)
    {{"avx2", GatherAvx2, InterpolateAvx2, InterpolatePairAvx2}, ProcessorRunsAvx2},
    {{"avx512", GatherAvx512, InterpolateAvx512, InterpolatePairAvx512}, ProcessorRunsAvx512},
#endif
};

}  // namespace

int RunnableRescaleKernels(const RescaleKernels* variants[], int capacity) {
  return RunnableVariants(kVariants, variants, capacity);
}

const RescaleKernels& FastestRescaleKernels() { return FastestVariant(kVariants); }

}  // namespace korvel
