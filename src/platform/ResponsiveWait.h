#pragma once

#include <functional>

namespace vyn {

// Runs a call that can block for long (a network wait, an unpack) away from
// the window's thread, which meanwhile keeps answering the window system:
// messages sent to its windows and their painting are handled, while input
// and posted messages stay queued for the next check point, so nothing new
// becomes clickable in the middle of a step. One call at a time; whatever the
// call uses is not touched by the window's thread until it has returned.
class ResponsiveWait {
 public:
  virtual ~ResponsiveWait() = default;
  // Returns once work has returned; a failure it throws is thrown here.
  virtual void Run(const std::function<void()>& work) = 0;
  // The same for a step that shows its progress in a modal window of its own:
  // tick runs on the window's thread every tenth of a second or so while work
  // runs, and may process every pending message (the window's Cancel), since no
  // other window of the program takes input meanwhile.
  virtual void RunWithTicks(const std::function<void()>& work,
                            const std::function<void()>& tick) = 0;
};

}  // namespace vyn
