// The floor under every peak working set: a program that does nothing but
// report its own, built and linked like the others (static CRT).

#include <cstdio>

#include "ProcessMemory.h"

int main() {
  std::printf("peak=%zu\n", vyn::bench::PeakWorkingSet());
  return 0;
}
