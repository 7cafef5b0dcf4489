// Makes the library's memory requests fail on demand. The test binary
// replaces the non-throwing array allocation, which the library uses for
// every large block; while a FailLargeAllocations lives, each such request
// of at least `from` bytes gets no memory.
#ifndef KORVELGRAPHLINE_TESTS_SUPPORT_FAILING_ALLOCATION_H_
#define KORVELGRAPHLINE_TESTS_SUPPORT_FAILING_ALLOCATION_H_

#include <cstddef>

namespace korvel {
namespace testing {

class FailLargeAllocations {
 public:
  explicit FailLargeAllocations(std::size_t from);
  ~FailLargeAllocations();
  FailLargeAllocations(const FailLargeAllocations&) = delete;
  FailLargeAllocations& operator=(const FailLargeAllocations&) = delete;
};

}  // namespace testing
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_SUPPORT_FAILING_ALLOCATION_H_
