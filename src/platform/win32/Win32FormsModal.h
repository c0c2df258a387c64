#pragma once

#include <windows.h>

#include <vector>

namespace vyn {

// While alive, every other visible and enabled top-level window of the thread is
// disabled; the destructor enables those that still exist again.
class OtherWindowsDisabled {
 public:
  explicit OtherWindowsDisabled(HWND modal);
  ~OtherWindowsDisabled();
  OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
  OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

 private:
  HWND modal_;
  std::vector<HWND> disabled_;
};

// Runs the thread's messages until `done` answers true or WM_QUIT arrives
// (which is posted again for the outer loop).
template <typename Done>
void RunNestedMessageLoop(Done&& done);

}  // namespace vyn

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

template <typename Done>
void RunNestedMessageLoop(Done&& done) {
  MSG msg;
  while (!done()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    DispatchFormsMessage(msg);
  }
}

}  // namespace vyn
