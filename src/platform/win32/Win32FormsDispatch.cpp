#include "platform/win32/Win32FormsDispatch.h"

#include <algorithm>
#include <vector>

namespace vyn {
namespace {

// One user-interface thread: a plain list is enough.
std::vector<HWND>& FormsWindows() {
  static std::vector<HWND> windows;
  return windows;
}

}  // namespace

void RegisterFormsWindow(HWND window) {
  FormsWindows().push_back(window);
}

void UnregisterFormsWindow(HWND window) {
  auto& windows = FormsWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

void DispatchFormsMessage(MSG& msg) {
  if (msg.hwnd != nullptr) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    const auto& windows = FormsWindows();
    if (root != nullptr && std::find(windows.begin(), windows.end(), root) != windows.end() &&
        IsDialogMessageW(root, &msg)) {
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace vyn
