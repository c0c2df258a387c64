#pragma once

#include <chrono>
#include <functional>

namespace vyn {

// On Windows, antivirus scanners, the search indexer and backup tools open a file
// that was just written for a moment; a rename, replace or delete of it then fails
// with a sharing violation or "access denied" for a fraction of a second. Wine never
// does this. Such a step is tried again with growing pauses, for this long in all.
inline constexpr std::chrono::milliseconds kRetryBudget{3000};
inline constexpr std::chrono::milliseconds kFirstRetryPause{25};

// What one try of a step came to.
enum class StepOutcome {
  kDone,
  kRefused,  // refused for what may be a moment: worth another try
  kFailed,   // failed for good (missing file, full disk, read-only file, ...)
};

using Pause = std::function<void(std::chrono::milliseconds)>;

// Sleeps the calling thread.
void SleepFor(std::chrono::milliseconds duration);

// Within one (on the thread that made it), a step still refused when its whole
// budget is spent leaves every later step of the scope a single try: a file that
// stays refused for good (held all day, or one this user may not delete) costs
// the budget once, not once per file. Scopes nest; the outer one sees the inner's.
StepOutcome RetryWhileRefused(const std::function<StepOutcome()>& step, const Pause& pause);

class RetryBudgetScope {
 public:
  RetryBudgetScope();
  ~RetryBudgetScope();
  RetryBudgetScope(const RetryBudgetScope&) = delete;
  RetryBudgetScope& operator=(const RetryBudgetScope&) = delete;

  bool Spent() const { return spent_; }

 private:
  friend StepOutcome RetryWhileRefused(const std::function<StepOutcome()>&, const Pause&);
  RetryBudgetScope* outer_;
  bool spent_ = false;
};

// Tries `step` until it is done or fails for good. While it is refused it is tried
// again after a pause, each pause twice the one before, the last one cut so that
// the pauses add up to kRetryBudget at most. Returns the last try's outcome.
StepOutcome RetryWhileRefused(const std::function<StepOutcome()>& step,
                              const Pause& pause = SleepFor);

// A step of the program's own bookkeeping (its run log, the data folder's lock)
// that another run holds only while it writes, or Windows only while it ends a
// delete: tried again after pauses of `each` for `budget` in all, outside the
// retry budget of any scope, which it neither reads nor spends. A budget of 0
// is a single try. Returns the last try's outcome.
StepOutcome RetryBriefly(const std::function<StepOutcome()>& step, std::chrono::milliseconds budget,
                         std::chrono::milliseconds each, const Pause& pause = SleepFor);

}  // namespace vyn
