#pragma once

#include <functional>

#include "platform/MessagePump.h"

namespace vyn::fakes {

// Counts check points; onDoEvents stands for the messages that arrive at one
// (for example a click on Cancel at the third).
class FakeMessagePump : public MessagePump {
 public:
  int DoEventsCalls() const { return calls_; }
  std::function<void(int call)> onDoEvents;

  void DoEvents() override {
    ++calls_;
    if (onDoEvents) onDoEvents(calls_);
  }
  void WaitAndDispatch() override;

 private:
  int calls_ = 0;
};

}  // namespace vyn::fakes
