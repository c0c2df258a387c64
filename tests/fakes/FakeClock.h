#pragma once

#include <cstdint>

#include "platform/Clock.h"

namespace vyn::fakes {

// Stands still until a test moves it.
class FakeClock : public Clock {
 public:
  std::int64_t now = 0;
  std::int64_t Milliseconds() override { return now; }
};

}  // namespace vyn::fakes
