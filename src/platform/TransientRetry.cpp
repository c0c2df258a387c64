#include "platform/TransientRetry.h"

#include <algorithm>
#include <thread>

namespace vyn {

namespace {

thread_local RetryBudgetScope* current = nullptr;

}  // namespace

RetryBudgetScope::RetryBudgetScope() : outer_(current) {
  current = this;
}

RetryBudgetScope::~RetryBudgetScope() {
  current = outer_;
  if (outer_ && spent_) outer_->spent_ = true;
}

void SleepFor(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

StepOutcome RetryWhileRefused(const std::function<StepOutcome()>& step, const Pause& pause) {
  if (current && current->spent_) return step();
  std::chrono::milliseconds waited{0};
  std::chrono::milliseconds next = kFirstRetryPause;
  for (;;) {
    const StepOutcome outcome = step();
    if (outcome != StepOutcome::kRefused) return outcome;
    if (waited >= kRetryBudget) {
      if (current) current->spent_ = true;
      return outcome;
    }
    const std::chrono::milliseconds wait = std::min(next, kRetryBudget - waited);
    pause(wait);
    waited += wait;
    next *= 2;
  }
}

StepOutcome RetryBriefly(const std::function<StepOutcome()>& step, std::chrono::milliseconds budget,
                         std::chrono::milliseconds each, const Pause& pause) {
  std::chrono::milliseconds waited{0};
  for (;;) {
    const StepOutcome outcome = step();
    if (outcome != StepOutcome::kRefused || waited >= budget) return outcome;
    const std::chrono::milliseconds wait = std::min(each, budget - waited);
    pause(wait);
    waited += wait;
  }
}

}  // namespace vyn
