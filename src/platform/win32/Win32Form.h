#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "platform/Forms.h"
#include "platform/win32/Win32FormsControls.h"
#include "platform/win32/Win32FormsMetrics.h"

namespace vyn {

// One loaded form: a top-level window with the controls of its FormDesign.
// Destroying the object destroys the window; that may happen inside one of the
// form's own event handlers.
class Win32Form : public Form {
 public:
  Win32Form(HINSTANCE instance, const FormDesign& design, FormEvents& events,
            const FormLook& look = FormLook());
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND Handle() const { return window_; }
  // The window of a control by name; null when there is none.
  HWND ControlHandle(const std::wstring& name) const;

  std::wstring Caption() const override;
  void SetCaption(const std::wstring& caption) override;
  Control& Item(const std::wstring& name) override;
  ProgressBar& Progress(const std::wstring& name) override;
  void Show() override;
  void ShowModal() override;
  void Hide() override;
  bool Visible() const override;
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override { return timerEnabled_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Registers the layer's window class once; returns its name.
  static const wchar_t* RegisterWindowClass(HINSTANCE instance);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  // Widens a control whose text would be cut off, and the window with it.
  void FitText(HWND control, const ControlDesign& design, HFONT font);
  void PlaceForShow();
  void FocusFirstControl();
  // Runs a click or tick handler; a failure that escapes it ends the program.
  // Returns false when the handler unloaded the form.
  template <typename Handler>
  static bool RunEvent(const std::shared_ptr<bool>& alive, Handler&& handler);
  void RaiseClick(const std::wstring& name);
  void PressButton(const std::wstring& name);
  void OnCommand(int id);

  static constexpr UINT_PTR kTimerId = 1;
  static constexpr int kFirstControlId = 1000;  // clear of IDOK and IDCANCEL

  FormDesign design_;
  FormEvents& events_;
  FormLook look_;
  ScreenDpi dpi_;
  UniqueFont defaultFont_;
  std::map<std::wstring, UniqueFont> controlFonts_;
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  HWND window_ = nullptr;
  std::map<std::wstring, std::unique_ptr<Win32Control>> controls_;
  std::map<std::wstring, std::unique_ptr<Win32ProgressBar>> bars_;
  std::map<int, std::wstring> idToName_;
  std::map<std::wstring, int> tabIndex_;
  int defaultButtonId_ = 0;
  HWND savedFocus_ = nullptr;  // the control that had the focus when deactivated
  bool timerEnabled_ = false;
  bool inTimer_ = false;
  bool placed_ = false;
  // False once the object is gone; loops and handlers that outlive a call on
  // the form check it before touching the form again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vyn
