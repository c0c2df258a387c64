#pragma once

#include <chrono>
#include <cstdint>

namespace vyn {

// Milliseconds since some fixed moment, never going back: cheap enough to read
// after every chunk of a transfer.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t Milliseconds() = 0;
};

// The system's monotonic clock.
class SteadyClock : public Clock {
 public:
  std::int64_t Milliseconds() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace vyn
