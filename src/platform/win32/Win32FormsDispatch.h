#pragma once

#include <windows.h>

namespace vyn {

// The forms layer's top-level windows, so every message loop of the program can
// give their keyboard input to IsDialogMessage.
void RegisterFormsWindow(HWND window);
void UnregisterFormsWindow(HWND window);

// IsDialogMessage for a message of one of the layer's windows, otherwise
// TranslateMessage + DispatchMessage.
void DispatchFormsMessage(MSG& msg);

}  // namespace vyn
