#include "AppSession.h"

#include <stdexcept>

#include "MessageBoxDriver.h"
#include "WindowQueries.h"

namespace vyn::e2e {

bool AppSession::Launch(const std::wstring& exe, const std::wstring& arguments) {
  process_.reset();
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  try {
    process_.emplace(driver::ChildProcess::Launch(
        L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments), folder));
  } catch (const std::runtime_error&) {
    return false;
  }
  return true;
}

bool AppSession::Running() {
  return process_ && !process_->WaitForExit(0);
}

std::optional<DWORD> AppSession::WaitForExit(DWORD timeoutMs) {
  if (!process_) return std::nullopt;
  return process_->WaitForExit(timeoutMs);
}

HWND AppSession::WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(timeoutMs, [&] {
    found = driver::WaitForTopLevelWindow(caption, driver::CaptionMatch::kExact, 0, Id());
    return found != nullptr && driver::ClassNameOf(found) != L"#32770";
  });
  return found != nullptr && driver::ClassNameOf(found) != L"#32770" ? found : nullptr;
}

std::optional<MessageBoxInfo> AppSession::WaitForMessageBox(DWORD timeoutMs) const {
  std::optional<MessageBoxInfo> box;
  WaitUntil(timeoutMs, [&] {
    HWND window = driver::WaitForMessageBox(0, Id());
    if (window == nullptr) return false;
    // The box can be visible a moment before its text is in place.
    driver::MessageBoxInfo read = driver::ReadMessageBox(window);
    if (read.text.empty()) return false;
    box = MessageBoxInfo{window, read.title, read.text};
    return true;
  });
  return box;
}

bool AppSession::ShowsMessageBox() const {
  return driver::WaitForMessageBox(0, Id()) != nullptr;
}

HWND FindControl(HWND parent, const std::wstring& text) {
  try {
    return driver::FindControl(parent, text).handle;
  } catch (const std::runtime_error&) {
    return nullptr;
  }
}

HWND FindControlOfClass(HWND parent, const std::wstring& className) {
  for (const driver::ControlInfo& control : driver::ListControls(parent)) {
    if (_wcsicmp(control.className.c_str(), className.c_str()) == 0) return control.handle;
  }
  return nullptr;
}

void Click(HWND control) {
  driver::PostClick(control);
}

bool Checked(HWND checkBox) {
  return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool SetTextOf(HWND textBox, const std::wstring& text) {
  return SendMessageW(textBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
}

bool PressButton(HWND box, const std::wstring& text) {
  try {
    driver::PressMessageBoxButton(box, text);
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

bool Tick(HWND window, const std::wstring& box) {
  HWND check = FindControl(window, box);
  if (check == nullptr || !IsWindowVisible(check)) return false;
  Click(check);
  return AppSession::WaitUntil(5000, [&] { return Checked(check); });
}

bool Press(HWND window, const std::wstring& button) {
  HWND control = FindControl(window, button);
  if (control == nullptr) return false;
  // The program may enable a button a moment after its window shows.
  if (!AppSession::WaitUntil(5000, [&] { return IsWindowEnabled(control) != FALSE; })) return false;
  Click(control);
  return true;
}

}  // namespace vyn::e2e
