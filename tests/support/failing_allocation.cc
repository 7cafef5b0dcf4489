#include "support/failing_allocation.h"

#include <atomic>
#include <new>

namespace korvel {
namespace testing {
namespace {

constexpr std::size_t kNoLimit = ~std::size_t{0};
std::atomic<std::size_t> failFrom{kNoLimit};

}  // namespace

FailLargeAllocations::FailLargeAllocations(std::size_t from) { failFrom = from; }
FailLargeAllocations::~FailLargeAllocations() { failFrom = kNoLimit; }

}  // namespace testing
}  // namespace korvel

// Otherwise the standard behaviour: the throwing allocation, its failure
// turned into a null result. Memory from here is released by the standard
// operator delete[].
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (size >= korvel::testing::failFrom) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}
