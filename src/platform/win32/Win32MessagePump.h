#pragma once

#include "platform/MessagePump.h"

namespace vyn {

// The thread's message queue; keyboard messages of the forms layer's windows
// go through IsDialogMessage so Tab, Enter, Esc and mnemonics work everywhere.
class Win32MessagePump : public MessagePump {
 public:
  void DoEvents() override;
  void WaitAndDispatch() override;
};

}  // namespace vyn
