#include "platform/win32/Win32FormsControls.h"

#include <commctrl.h>

#include <cmath>

#include "platform/Error.h"
#include "platform/win32/Win32WindowText.h"

namespace vyn {
namespace {

struct ControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind, bool isDefault) {
  switch (kind) {
    case ControlKind::kLabel:
      return {L"STATIC", DWORD{SS_LEFT}, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", DWORD{ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP}, DWORD{WS_EX_CLIENTEDGE}};
    case ControlKind::kCheckBox:
      return {L"BUTTON", DWORD{BS_AUTOCHECKBOX | WS_TABSTOP}, 0};
    case ControlKind::kButton:
      return {L"BUTTON",
              static_cast<DWORD>((isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP), 0};
    case ControlKind::kProgressBar:
      return {PROGRESS_CLASSW, 0, 0};
  }
  throw Error(errors::kInvalidProcedureCall, L"Unknown control kind");
}

}  // namespace

bool Win32Control::Clickable() const {
  return kind_ == ControlKind::kButton || kind_ == ControlKind::kCheckBox;
}

bool Win32Control::Focusable() const {
  return Clickable() || kind_ == ControlKind::kTextBox;
}

std::wstring Win32Control::Text() const {
  return WindowText(handle_);
}

void Win32Control::SetText(const std::wstring& text) {
  SetWindowTextW(handle_, text.c_str());
}

bool Win32Control::Enabled() const {
  return IsWindowEnabled(handle_) != FALSE;
}

void Win32Control::SetEnabled(bool enabled) {
  EnableWindow(handle_, enabled ? TRUE : FALSE);
}

bool Win32Control::Visible() const {
  return (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Control::SetVisible(bool visible) {
  ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

int Win32Control::Value() const {
  if (kind_ != ControlKind::kCheckBox) return 0;
  return static_cast<int>(SendMessageW(handle_, BM_GETCHECK, 0, 0));
}

void Win32Control::SetValue(int value) {
  if (kind_ != ControlKind::kCheckBox) return;
  if (value < BST_UNCHECKED || value > BST_INDETERMINATE) {
    throw MakeError(errors::kInvalidPropertyValue);
  }
  SendMessageW(handle_, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

Win32ProgressBar::Win32ProgressBar(HWND handle) : handle_(handle) {
  // The bar keeps its size (its window cannot be resized), so its width is read once.
  RECT client{};
  GetClientRect(handle_, &client);
  width_ = client.right > client.left ? client.right - client.left : 0;
  SendMessageW(handle_, PBM_SETRANGE32, 0, kRange);
  Redraw();
}

void Win32ProgressBar::SetMax(float max) {
  max_ = max;
  Redraw();
}

void Win32ProgressBar::SetValue(float value) {
  value_ = value;
  Redraw();
}

void Win32ProgressBar::Redraw() {
  // A Max of 0 (or anything not positive) shows an empty bar rather than
  // dividing by it.
  double share = max_ > 0 ? static_cast<double>(value_) / max_ : 0.0;
  if (!(share > 0)) share = 0;  // also NaN
  if (share > 1) share = 1;
  // The transfer sets Value after every chunk, but the bar only looks
  // different when its filled part gains or loses a pixel; a repaint for
  // anything less is work for nothing on the transfer's thread.
  long filled = std::lround(std::floor(share * width_));
  if (filled == filledPixels_ && (share > 0) == (shownShare_ > 0) &&
      (share < 1) == (shownShare_ < 1)) {
    return;
  }
  filledPixels_ = filled;
  shownShare_ = share;
  SendMessageW(handle_, PBM_SETPOS, static_cast<WPARAM>(std::lround(share * kRange)), 0);
}

HWND CreateControlWindow(HWND parent, const ControlDesign& design, int id, bool isDefault,
                         const ScreenDpi& dpi) {
  ControlClass cls = ClassOf(design.kind, isDefault);
  HWND control = CreateWindowExW(
      cls.exStyle, cls.className, design.text.c_str(), WS_CHILD | WS_VISIBLE | cls.style,
      TwipsToPixels(design.left, dpi.x), TwipsToPixels(design.top, dpi.y),
      TwipsToPixels(design.width, dpi.x), TwipsToPixels(design.height, dpi.y), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (control == nullptr) {
    throw Error(errors::kOutOfMemory, L"Could not create control " + design.name);
  }
  return control;
}

}  // namespace vyn
