#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ChildProcess.h"

namespace vyn::e2e {

// A message box of the program: its window, title and text.
struct MessageBoxInfo {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
};

// One run of the program, seen from outside as a user would see it: its
// windows, their controls, its message boxes, its exit code. Built on the
// window driver; a run still going when the session ends is ended by its handle.
class AppSession {
 public:
  // Starts exe in its own folder, with these switches after its name; false
  // when the process could not be created.
  bool Launch(const std::wstring& exe, const std::wstring& arguments = L"");
  bool Running();
  // The exit code, or nullopt when still running after timeoutMs.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs);

  // A visible top-level window of the program with exactly this caption.
  HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const;
  HWND FindWindowByCaption(const std::wstring& caption) const { return WaitForWindow(caption, 0); }
  // The next message box of the program, once its text is in place.
  std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs) const;
  bool ShowsMessageBox() const;

  // Waits until done() is true, polling; false on timeout.
  template <typename Done>
  static bool WaitUntil(DWORD timeoutMs, Done done) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
      if (done()) return true;
      if (GetTickCount64() >= end) return false;
      Sleep(25);
    }
  }

 private:
  DWORD Id() const { return process_ ? process_->Id() : 0; }

  std::optional<driver::ChildProcess> process_;
};

// A child control by its exact text; nullptr when there is none.
HWND FindControl(HWND parent, const std::wstring& text);
// The first child control of a window class ("Edit", ...); nullptr when none.
HWND FindControlOfClass(HWND parent, const std::wstring& className);
// Posts a click, so that a click that opens a modal window does not block the caller.
void Click(HWND control);
bool Checked(HWND checkBox);
// Types into a text box of another process (WM_SETTEXT crosses processes).
bool SetTextOf(HWND textBox, const std::wstring& text);
// Presses the message box's button with this text ("OK", "&Yes", ...).
bool PressButton(HWND box, const std::wstring& text);
// Ticks the visible check box with this text and waits until it shows ticked;
// false when there is none or it stays unticked.
bool Tick(HWND window, const std::wstring& box);
// Clicks the window's button with this text once it is enabled; false when there is none.
bool Press(HWND window, const std::wstring& button);

}  // namespace vyn::e2e
