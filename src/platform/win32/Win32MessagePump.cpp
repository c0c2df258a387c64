#include "platform/win32/Win32MessagePump.h"

#include <windows.h>

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

void Win32MessagePump::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the loop that owns the quit.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchFormsMessage(msg);
  }
}

void Win32MessagePump::WaitAndDispatch() {
  MSG msg;
  BOOL result = GetMessageW(&msg, nullptr, 0, 0);
  if (result <= 0) return;  // WM_QUIT or a failed wait: nothing to process
  DispatchFormsMessage(msg);
  DoEvents();
}

}  // namespace vyn
