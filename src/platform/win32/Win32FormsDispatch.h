#pragma once

#include <windows.h>

namespace vyn {

// The forms layer's top-level windows, so every message loop of the program can
// give their keyboard input to IsDialogMessage, and every box finds its owner.
void RegisterFormsWindow(HWND window);
void UnregisterFormsWindow(HWND window);

// While alive, the window counts as shown modally (innermost last).
class ModalWindowScope {
 public:
  explicit ModalWindowScope(HWND window);
  ~ModalWindowScope();
  ModalWindowScope(const ModalWindowScope&) = delete;
  ModalWindowScope& operator=(const ModalWindowScope&) = delete;

 private:
  HWND window_;
};

// The owner of the program's message boxes and modal windows: the innermost
// visible modal window, otherwise the first visible form (the main window).
// Never the active window, which is null while another program has the
// foreground. Null only when no form of ours is visible.
HWND ProgramTopWindow();

// IsDialogMessage for a message of one of the layer's windows, otherwise
// TranslateMessage + DispatchMessage.
void DispatchFormsMessage(MSG& msg);

}  // namespace vyn
