#pragma once

#include <memory>

#include "platform/ResponsiveWait.h"

namespace vyn {

// ResponsiveWait with one worker thread, started at the first call and kept
// for the next: under Wine a new thread per call costs milliseconds, and a
// fast download waits on the server every second chunk. Each call is waited
// for; the idle worker is ended and waited for with this object.
class Win32ResponsiveWait : public ResponsiveWait {
 public:
  Win32ResponsiveWait();
  ~Win32ResponsiveWait() override;
  Win32ResponsiveWait(const Win32ResponsiveWait&) = delete;
  Win32ResponsiveWait& operator=(const Win32ResponsiveWait&) = delete;

  void Run(const std::function<void()>& work) override;
  void RunWithTicks(const std::function<void()>& work, const std::function<void()>& tick) override;

 private:
  struct Worker;
  std::unique_ptr<Worker> worker_;
};

// True on a thread while it waits in Run, answering messages sent to its windows.
bool InsideResponsiveWait();

}  // namespace vyn
