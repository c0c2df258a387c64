#pragma once

#include <chrono>

#include "platform/MessagePump.h"

namespace vyn {

// The thread's message queue; keyboard messages of the forms layer's windows
// go through IsDialogMessage so Tab, Enter, Esc and mnemonics work everywhere.
class Win32MessagePump : public MessagePump {
 public:
  void DoEvents() override;
  void WaitAndDispatch() override;
  // Waits while the program's windows go on answering (a window that answers no
  // message for 5 seconds is "Not Responding" to Windows).
  void PauseWithMessages(std::chrono::milliseconds pause);
};

}  // namespace vyn
