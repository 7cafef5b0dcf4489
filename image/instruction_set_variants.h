// Choosing among variants of an inner loop that is compiled for several
// instruction sets: each variant says whether the processor runs it, and
// the list is ordered from the baseline (runs everywhere) to the fastest.
// Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_INSTRUCTION_SET_VARIANTS_H_
#define KORVELGRAPHLINE_IMAGE_INSTRUCTION_SET_VARIANTS_H_

#include <cstddef>

// x86-64 builds with GCC or Clang on Linux also compile AVX2 and AVX-512
// variants (function target attributes) and pick one at run time.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#define KORVEL_X86_VARIANTS 1
#endif

namespace korvel {

#if defined(KORVEL_X86_VARIANTS)
inline bool ProcessorRunsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

inline bool ProcessorRunsAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f");
}
#endif

template <typename Kernels>
struct InstructionSetVariant {
  Kernels kernels;
  bool (*runs)();  // null: every processor
};

// Writes the variants of `all` that this processor runs to variants, in
// order, at most capacity of them; returns how many.
template <typename Kernels, std::size_t kCount>
int RunnableVariants(const InstructionSetVariant<Kernels> (&all)[kCount],
                     const Kernels* variants[], int capacity) {
  int count = 0;
  for (const InstructionSetVariant<Kernels>& variant : all) {
    if (count < capacity && (variant.runs == nullptr || variant.runs())) {
      variants[count++] = &variant.kernels;
    }
  }
  return count;
}

// The last variant of `all` that this processor runs.
template <typename Kernels, std::size_t kCount>
const Kernels& FastestVariant(const InstructionSetVariant<Kernels> (&all)[kCount]) {
  const Kernels* variants[kCount];
  return *variants[RunnableVariants(all, variants, static_cast<int>(kCount)) - 1];
}

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_INSTRUCTION_SET_VARIANTS_H_
