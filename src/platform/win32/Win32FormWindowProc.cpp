#include <utility>

#include "platform/Error.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32FormsDispatch.h"
#include "platform/win32/Win32FormsErrorReport.h"
#include "platform/win32/Win32ResponsiveWait.h"

namespace vyn {
namespace {

constexpr wchar_t kClassName[] = L"VYNDataLoaderForm";

}  // namespace

const wchar_t* Win32Form::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  if (GetClassInfoExW(instance, kClassName, &cls)) return kClassName;
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszClassName = kClassName;
  if (!RegisterClassExW(&cls)) {
    throw Error(errors::kOutOfMemory, L"Could not register the window class");
  }
  return kClassName;
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // Destroyed by the system (with its owner) while the object lives on.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    UnregisterFormsWindow(window);
    form->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return form->HandleMessage(window, message, wParam, lParam);
}

template <typename Handler>
bool Win32Form::RunEvent(const std::shared_ptr<bool>& alive, Handler&& handler) {
  std::shared_ptr<bool> keep = alive;  // the form's own pointer may go with it
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    EndProgramWithReport(CurrentError());
  }
  return *keep;
}

void Win32Form::RaiseClick(const std::wstring& name) {
  std::wstring control = name;  // the handler may free design_ with the form
  FormEvents& events = events_;
  RunEvent(alive_, [&] { events.OnClick(control); });
}

void Win32Form::PressButton(const std::wstring& name) {
  auto it = controls_.find(name);
  if (it == controls_.end() || !it->second->Clickable()) return;
  const Win32Control& button = *it->second;
  if (!button.Enabled() || !IsWindowVisible(button.Handle())) return;
  RaiseClick(name);
}

void Win32Form::OnCommand(int id) {
  if (id == IDCANCEL) {
    PressButton(design_.cancelButton);  // Esc, or WM_CLOSE
    return;
  }
  auto it = idToName_.find(id);
  if (it == idToName_.end()) return;
  auto control = controls_.find(it->second);
  if (control == controls_.end() || !control->second->Clickable()) return;
  RaiseClick(it->second);
}

// window, not window_: messages arrive while CreateWindowExW has not returned yet.
LRESULT Win32Form::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A click or close sent by another program while a step waits would run its
  // handler in the middle of the step; queued, it waits for the next check
  // point like the user's own clicks.
  if ((message == WM_COMMAND || message == WM_CLOSE) && InsideResponsiveWait()) {
    PostMessageW(window, message, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId && timerEnabled_ && !inTimer_) {
        // A tick that pumps messages must not start another tick inside it.
        inTimer_ = true;
        FormEvents& events = events_;
        if (RunEvent(alive_, [&] { events.OnTimer(); })) inTimer_ = false;
      }
      return 0;
    case DM_GETDEFID:
      return defaultButtonId_ != 0 ? MAKELRESULT(defaultButtonId_, DC_HASDEFID) : 0;
    case WM_CLOSE:
      // Closing is the cancel button's job; without one the window stays, so the
      // program never loses a window it still holds.
      PressButton(design_.cancelButton);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) savedFocus_ = focus;
      } else if (savedFocus_ != nullptr && IsWindow(savedFocus_) && IsChild(window, savedFocus_) &&
                 IsWindowEnabled(savedFocus_) && IsWindowVisible(savedFocus_)) {
        SetFocus(savedFocus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vyn
