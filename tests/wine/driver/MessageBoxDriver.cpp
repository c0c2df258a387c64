#include "MessageBoxDriver.h"

#include <stdexcept>

#include "WindowQueries.h"

namespace vyn::driver {
namespace {

struct BoxSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (!IsWindowVisible(window) || ClassNameOf(window) != L"#32770") return TRUE;
  if (search->processId != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForMessageBox(DWORD timeoutMs, DWORD processId) {
  DWORD start = GetTickCount();
  for (;;) {
    BoxSearch search{processId, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.handle = box;
  info.title = WindowText(box);
  for (const auto& control : ListControls(box)) {
    if (_wcsicmp(control.className.c_str(), L"Button") == 0) {
      info.buttons.push_back(control.text);
    } else if (_wcsicmp(control.className.c_str(), L"Static") == 0 && info.text.empty()) {
      info.text = control.text;  // the icon's static has no text
    }
  }
  return info;
}

void PressMessageBoxButton(HWND box, const std::wstring& buttonText) {
  for (const auto& control : ListControls(box)) {
    if (_wcsicmp(control.className.c_str(), L"Button") == 0 && control.text == buttonText) {
      // The dialog answers WM_COMMAND whether or not it is active; BM_CLICK may not.
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control.handle), BN_CLICKED),
                   reinterpret_cast<LPARAM>(control.handle));
      return;
    }
  }
  throw std::runtime_error("the message box has no such button");
}

}  // namespace vyn::driver
