#pragma once

#include <windows.h>

#include "ChildProcess.h"

namespace vyn::driver {

// Another process whose window holds the foreground: the situation in which a
// program's active window is null. The process is ended with this object.
class ForegroundProgram {
 public:
  // Returns once its window is the foreground window; throws
  // std::runtime_error when it does not get there.
  ForegroundProgram();

  HWND Window() const { return window_; }

 private:
  ChildProcess process_;
  HWND window_ = nullptr;
};

}  // namespace vyn::driver
