#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vyn::driver {

struct MessageBoxInfo {
  HWND handle = nullptr;
  std::wstring title;
  std::wstring text;
  std::vector<std::wstring> buttons;  // e.g. "OK", "&Yes", "&No"
};

// Waits for a visible dialog-class ("#32770") window; with processId not 0 only
// that process's. Null after the timeout.
HWND WaitForMessageBox(DWORD timeoutMs, DWORD processId = 0);

MessageBoxInfo ReadMessageBox(HWND box);

// Presses the button with exactly that text (posted, so it never blocks);
// throws std::runtime_error when the box has none.
void PressMessageBoxButton(HWND box, const std::wstring& buttonText);

}  // namespace vyn::driver
