#include "platform/win32/Win32MessagePump.h"

#include <windows.h>

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

void Win32MessagePump::DoEvents() {
  // The transfer comes here after every chunk, mostly to an empty queue. Asking
  // the queue's state is a cheap call; an empty PeekMessage is dearer and under
  // Wine also gives up the rest of the thread's time slice.
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
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
