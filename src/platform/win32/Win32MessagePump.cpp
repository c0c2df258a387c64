#include "platform/win32/Win32MessagePump.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

namespace {

// Windows 8 and later queue touch and pen input under bits of their own, which
// the Windows 7 headers of this build leave out of QS_ALLINPUT. Windows 7 refuses
// a mask that holds them (the call fails and returns 0, as for an empty queue),
// so the mask is chosen once, by asking whether the system takes them.
UINT AllInputMask() {
  static const UINT mask = [] {
    constexpr UINT kTouchAndPointer = 0x0800 | 0x1000;  // QS_TOUCH | QS_POINTER
    SetLastError(ERROR_SUCCESS);
    GetQueueStatus(QS_ALLINPUT | kTouchAndPointer);
    return GetLastError() == ERROR_SUCCESS ? QS_ALLINPUT | kTouchAndPointer : QS_ALLINPUT;
  }();
  return mask;
}

}  // namespace

void Win32MessagePump::DoEvents() {
  // The transfer and the unpack come here a few dozen times a second, mostly to
  // an empty queue. Asking the queue's state is the cheaper call; an empty
  // PeekMessage is dearer and under Wine also gives up the rest of the thread's
  // time slice.
  if (HIWORD(GetQueueStatus(AllInputMask())) == 0) return;
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

void Win32MessagePump::PauseWithMessages(std::chrono::milliseconds pause) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(pause.count());
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    DoEvents();
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(end - now, 100)));
  }
}

}  // namespace vyn
