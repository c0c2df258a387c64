#pragma once

#include <windows.h>

#include <psapi.h>

#include <cstddef>

namespace vyn::bench {

// The process's highest working set so far, as the system accounts it (under
// Wine: the resident set of the whole Linux process, Wine's own libraries included).
inline std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace vyn::bench
