#include "platform/win32/Win32FormsModal.h"

namespace vyn {
namespace {

struct EnumState {
  HWND modal;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  if (window != state->modal && IsWindowVisible(window) && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    state->disabled->push_back(window);
  }
  return TRUE;
}

}  // namespace

OtherWindowsDisabled::OtherWindowsDisabled(HWND modal) : modal_(modal) {
  EnumState state{modal, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&state));
}

OtherWindowsDisabled::~OtherWindowsDisabled() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}

}  // namespace vyn
