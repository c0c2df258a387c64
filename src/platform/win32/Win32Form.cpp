#include "platform/win32/Win32Form.h"

#include <algorithm>
#include <vector>

#include "platform/Error.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32FormsDispatch.h"
#include "platform/win32/Win32FormsModal.h"
#include "platform/win32/Win32WindowText.h"

namespace vyn {

Win32FormFactory::Win32FormFactory() : instance_(GetModuleHandleW(nullptr)) {}

std::unique_ptr<Form> Win32FormFactory::Load(const FormDesign& design, FormEvents& events) {
  return std::make_unique<Win32Form>(instance_, design, events, look_ ? *look_ : FormLook());
}

Win32Form::Win32Form(HINSTANCE instance, const FormDesign& design, FormEvents& events,
                     const FormLook& look)
    : design_(design),
      events_(events),
      look_(look),
      dpi_(look.dpi),
      defaultFont_(CreateFormFont({}, look_)) {
  const wchar_t* className = RegisterWindowClass(instance);
  DWORD style = FormStyle(design.border);
  DWORD exStyle = FormExStyle(design.border);
  RECT frame{0, 0, TwipsToPixels(design.clientWidth, dpi_.x),
             TwipsToPixels(design.clientHeight, dpi_.y)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  window_ = CreateWindowExW(exStyle, className, design.caption.c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance, this);
  if (window_ == nullptr) throw Error(errors::kOutOfMemory, L"Could not create " + design.name);
  try {
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(defaultFont_.get()), FALSE);
    smallIcon_ = LoadFormIcon(instance, design.iconResourceId, SM_CXSMICON, SM_CYSMICON);
    bigIcon_ = LoadFormIcon(instance, design.iconResourceId, SM_CXICON, SM_CYICON);
    if (smallIcon_) {
      SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    }
    if (bigIcon_) {
      SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    }
    CreateControls();
  } catch (...) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    throw;
  }
  RegisterFormsWindow(window_);
}

Win32Form::~Win32Form() {
  *alive_ = false;
  if (window_ == nullptr) return;  // already destroyed with its owner
  HWND window = window_;
  UnregisterFormsWindow(window);
  KillTimer(window, kTimerId);
  // From here on the window procedure no longer reaches this object.
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void Win32Form::CreateControls() {
  std::vector<const ControlDesign*> order;
  for (const auto& control : design_.controls) order.push_back(&control);
  // Windows tab through siblings in z-order, so create them in tab order.
  std::stable_sort(order.begin(), order.end(), [](const ControlDesign* a, const ControlDesign* b) {
    return a->tabIndex < b->tabIndex;
  });
  int id = kFirstControlId;
  for (const ControlDesign* control : order) {
    bool isDefault =
        control->kind == ControlKind::kButton && control->name == design_.defaultButton;
    HWND handle = CreateControlWindow(window_, *control, id, isDefault, dpi_);
    SetWindowPos(handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HFONT font = defaultFont_.get();
    if (!control->font.face.empty()) {
      auto& own = controlFonts_[control->name];
      own = CreateFormFont(control->font, look_);
      if (own) font = own.get();
    }
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    FitText(handle, *control, font);
    if (control->kind == ControlKind::kProgressBar) {
      bars_[control->name] = std::make_unique<Win32ProgressBar>(handle);
    } else {
      controls_[control->name] = std::make_unique<Win32Control>(handle, control->kind);
    }
    if (isDefault) defaultButtonId_ = id;
    idToName_[id] = control->name;
    tabIndex_[control->name] = control->tabIndex;
    ++id;
  }
}

// The design's widths suit the font it was drawn in; Windows 10 and 11 draw in
// Segoe UI 9 pt, wider than Wine's Tahoma 8 pt. A text that would be cut off
// widens its control to the right, and the window keeps the design's right
// margin beside it. Nothing moves.
void Win32Form::FitText(HWND control, const ControlDesign& design, HFONT font) {
  const int needed = TextWidthNeeded(control, design.kind, font, dpi_);
  RECT area{};
  GetClientRect(control, &area);
  if (needed <= area.right) return;
  RECT frame{};
  GetWindowRect(control, &frame);
  const int width = frame.right - frame.left + needed - area.right;
  SetWindowPos(control, nullptr, 0, 0, width, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(window_, &client);
  const int right = TwipsToPixels(design.left, dpi_.x) + width;
  int leftMargin = design.left;
  for (const ControlDesign& other : design_.controls) leftMargin = std::min(leftMargin, other.left);
  const int margin = TwipsToPixels(leftMargin, dpi_.x);
  if (right + margin <= client.right) return;
  RECT outer{};
  GetWindowRect(window_, &outer);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + right + margin - client.right,
               outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Win32Form::ControlHandle(const std::wstring& name) const {
  if (auto it = controls_.find(name); it != controls_.end()) return it->second->Handle();
  if (auto it = bars_.find(name); it != bars_.end()) return it->second->Handle();
  return nullptr;
}

std::wstring Win32Form::Caption() const {
  return WindowText(window_);
}

void Win32Form::SetCaption(const std::wstring& caption) {
  SetWindowTextW(window_, caption.c_str());
}

Control& Win32Form::Item(const std::wstring& name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) {
    throw Error(errors::kInvalidProcedureCall, L"No control " + name + L" on " + design_.name);
  }
  return *it->second;
}

ProgressBar& Win32Form::Progress(const std::wstring& name) {
  auto it = bars_.find(name);
  if (it == bars_.end()) {
    throw Error(errors::kInvalidProcedureCall, L"No progress bar " + name + L" on " + design_.name);
  }
  return *it->second;
}

void Win32Form::PlaceForShow() {
  RECT frame;
  GetWindowRect(window_, &frame);
  SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  RECT area{};
  HWND owner = GetWindow(window_, GW_OWNER);
  if (design_.startPosition == StartPosition::kCenterOwner && owner != nullptr) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  POINT corner = CentreOn(area, size);
  SetWindowPos(window_, nullptr, corner.x, corner.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

void Win32Form::FocusFirstControl() {
  const Win32Control* first = nullptr;
  int firstIndex = 0;
  for (const auto& [name, control] : controls_) {
    if (!control->Focusable() || !control->Enabled() || !control->Visible()) continue;
    int index = tabIndex_[name];
    if (first == nullptr || index < firstIndex) {
      first = control.get();
      firstIndex = index;
    }
  }
  if (first != nullptr) SetFocus(first->Handle());
}

void Win32Form::Show() {
  if (window_ == nullptr) return;
  bool wasVisible = IsWindowVisible(window_) != FALSE;
  if (!placed_) PlaceForShow();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  if (!wasVisible) FocusFirstControl();
}

void Win32Form::ShowModal() {
  if (window_ == nullptr) return;
  // Only locals after the loop: a handler may destroy this form meanwhile.
  std::shared_ptr<bool> alive = alive_;
  HWND window = window_;
  HWND previous = ProgramTopWindow();
  if (previous != nullptr && previous != window) {
    // Owned, the window stays above the one it blocks.
    SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(previous));
  }
  {
    ModalWindowScope modal(window);
    OtherWindowsDisabled others(window);
    Show();
    RunNestedMessageLoop([&] { return !*alive || !IsWindow(window) || !IsWindowVisible(window); });
  }
  if (previous != nullptr && IsWindow(previous)) SetActiveWindow(previous);
}

void Win32Form::Hide() {
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

bool Win32Form::Visible() const {
  return window_ != nullptr && IsWindowVisible(window_);
}

void Win32Form::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  if (window_ == nullptr || design_.timerIntervalMs == 0) return;  // no timer: never ticks
  if (enabled) {
    SetTimer(window_, kTimerId, design_.timerIntervalMs, nullptr);
  } else {
    KillTimer(window_, kTimerId);
  }
}

}  // namespace vyn
