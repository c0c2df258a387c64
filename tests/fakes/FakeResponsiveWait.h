#pragma once

#include "FakeComponents.h"
#include "platform/ResponsiveWait.h"

namespace vyn::fakes {

// Runs the call at once on the caller's thread; with a log, each wait is
// recorded as "Wait begins" and "Wait ends" around what the call records.
// onRun stands for what arrives while the call runs (a click).
class FakeResponsiveWait : public ResponsiveWait {
 public:
  CallLog* log = nullptr;
  std::function<void()> onRun;

  void RunWithTicks(const std::function<void()>& work, const std::function<void()>& tick) override {
    if (onRun) onRun();
    if (log) log->Record(L"Wait begins");
    tick();
    work();
    tick();
    if (log) log->Record(L"Wait ends");
  }

  void Run(const std::function<void()>& work) override {
    if (onRun) onRun();
    if (log) log->Record(L"Wait begins");
    work();
    if (log) log->Record(L"Wait ends");
  }
};

}  // namespace vyn::fakes
