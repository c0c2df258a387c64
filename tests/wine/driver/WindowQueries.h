#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vyn::driver {

enum class CaptionMatch { kExact, kPrefix };

// Waits for a visible top-level window whose caption matches; with processId
// not 0 only that process's windows count. Null after the timeout.
HWND WaitForTopLevelWindow(const std::wstring& caption, CaptionMatch match, DWORD timeoutMs,
                           DWORD processId = 0);

// Waits until the window is gone or hidden; false after the timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::wstring WindowText(HWND window);
std::wstring ClassNameOf(HWND window);

struct ControlInfo {
  HWND handle = nullptr;
  std::wstring className;
  std::wstring text;
  RECT rect{};  // in the parent's client coordinates
  bool enabled = false;
  bool visible = false;  // the control's own flag
  int checkState = 0;    // BM_GETCHECK of buttons, 0 for the rest
};

// The direct child controls of a window, in z-order (which is tab order).
std::vector<ControlInfo> ListControls(HWND parent);

// The control with exactly that text; throws std::runtime_error when none.
ControlInfo FindControl(HWND parent, const std::wstring& text);

// Posts a click to a button or check box, so a modal loop the click opens does
// not block the caller.
void PostClick(HWND control);

// Asked from another process: the window is not hung (IsHungAppWindow) and
// answers a WM_NULL sent with SMTO_ABORTIFHUNG within 1 s. Empty when it does;
// otherwise what failed.
std::string HungFromAnotherProcess(HWND window);

// Client size of a window in pixels.
SIZE ClientSize(HWND window);

}  // namespace vyn::driver
