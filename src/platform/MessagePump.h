#pragma once

namespace vyn {

// The user-interface thread's message queue.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Processes every pending window message, then returns.
  virtual void DoEvents() = 0;
  // Waits for at least one message and processes what is pending; the main
  // loop of the program.
  virtual void WaitAndDispatch() = 0;
};

}  // namespace vyn
