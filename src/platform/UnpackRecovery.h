#pragma once

#include <string>

namespace vyn {

// Completes what an unpacking into a folder left undone when the program was ended
// (killed, powered off) while it moved the new files into place, so the folder
// holds the whole new data set. Independent of any window: it may run on any thread.
class UnpackRecovery {
 public:
  virtual ~UnpackRecovery() = default;
  // A folder that does not exist, or holds nothing to complete, is left alone.
  // Throws Error when a file cannot be moved; what is left waits for the next try.
  virtual void FinishInterruptedUnpacking(const std::wstring& folder) = 0;
};

}  // namespace vyn
