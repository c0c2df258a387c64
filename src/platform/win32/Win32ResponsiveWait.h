#pragma once

#include "platform/ResponsiveWait.h"

namespace vyn {

// ResponsiveWait with one worker thread per call, always waited for: none is
// left running when a call returns, nor when the program ends.
class Win32ResponsiveWait : public ResponsiveWait {
 public:
  void Run(const std::function<void()>& work) override;
};

}  // namespace vyn
