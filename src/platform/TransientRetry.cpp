#include "platform/TransientRetry.h"

#include <algorithm>
#include <thread>

namespace vyn {

void SleepFor(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

StepOutcome RetryWhileRefused(const std::function<StepOutcome()>& step, const Pause& pause) {
  std::chrono::milliseconds waited{0};
  std::chrono::milliseconds next = kFirstRetryPause;
  for (;;) {
    const StepOutcome outcome = step();
    if (outcome != StepOutcome::kRefused || waited >= kRetryBudget) return outcome;
    const std::chrono::milliseconds wait = std::min(next, kRetryBudget - waited);
    pause(wait);
    waited += wait;
    next *= 2;
  }
}

}  // namespace vyn
