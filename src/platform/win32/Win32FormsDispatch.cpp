#include "platform/win32/Win32FormsDispatch.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace vyn {
namespace {

// One user-interface thread: a plain list is enough.
std::vector<HWND>& FormsWindows() {
  static std::vector<HWND> windows;
  return windows;
}

std::vector<HWND>& ModalWindows() {
  static std::vector<HWND> windows;
  return windows;
}

bool Shown(HWND window) {
  return IsWindow(window) && IsWindowVisible(window);
}

}  // namespace

ModalWindowScope::ModalWindowScope(HWND window) : window_(window) {
  ModalWindows().push_back(window);
}

ModalWindowScope::~ModalWindowScope() {
  auto& windows = ModalWindows();
  auto it = std::find(windows.rbegin(), windows.rend(), window_);
  if (it != windows.rend()) windows.erase(std::next(it).base());
}

HWND ProgramTopWindow() {
  const auto& modal = ModalWindows();
  for (auto it = modal.rbegin(); it != modal.rend(); ++it) {
    if (Shown(*it)) return *it;
  }
  for (HWND window : FormsWindows()) {
    if (Shown(window)) return window;
  }
  return nullptr;
}

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
