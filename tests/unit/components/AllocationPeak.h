#pragma once

#include <cstddef>

namespace vyn::test {

// Counts the bytes that operator new hands out while it lives (the test binary
// replaces the global operator new and delete), and refuses with std::bad_alloc any
// allocation that would take them past `cap`: a runaway fails the test instead of
// the machine.
class AllocationPeak {
 public:
  explicit AllocationPeak(std::size_t cap);
  ~AllocationPeak();
  AllocationPeak(const AllocationPeak&) = delete;
  AllocationPeak& operator=(const AllocationPeak&) = delete;

  // The most bytes held at once since construction, above what was held then.
  std::size_t Peak() const;
};

}  // namespace vyn::test
