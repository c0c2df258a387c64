#pragma once

#include <windows.h>

#include "platform/Forms.h"
#include "platform/win32/Win32FormsMetrics.h"

namespace vyn {

// A standard control of a form: label, text box, check box or push button.
class Win32Control : public Control {
 public:
  Win32Control(HWND handle, ControlKind kind) : handle_(handle), kind_(kind) {}
  HWND Handle() const { return handle_; }
  ControlKind Kind() const { return kind_; }
  // Buttons and check boxes raise clicks; labels and progress bars take no focus.
  bool Clickable() const;
  bool Focusable() const;

  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  // The control's own flag: it stays true while its window is hidden.
  bool Visible() const override;
  void SetVisible(bool visible) override;
  int Value() const override;
  void SetValue(int value) override;

 private:
  HWND handle_;
  ControlKind kind_;
};

// The common-controls progress bar. Max and Value are kept exactly as set; the
// bar shows Value / Max of its length.
class Win32ProgressBar : public ProgressBar {
 public:
  explicit Win32ProgressBar(HWND handle);
  HWND Handle() const { return handle_; }

  float Max() const override { return max_; }
  void SetMax(float max) override;
  float Value() const override { return value_; }
  void SetValue(float value) override;

  // The bar's own range, in which Value / Max is shown.
  static constexpr int kRange = 10000;

 private:
  void Redraw();

  HWND handle_;
  long width_ = 0;  // pixels
  float max_ = 100;
  float value_ = 0;
  // What the bar was last told to show; -1 before the first time.
  long filledPixels_ = -1;
  double shownShare_ = 0;
};

// Creates the window of one control; its position comes from twips at the DPI.
HWND CreateControlWindow(HWND parent, const ControlDesign& design, int id, bool isDefault,
                         const ScreenDpi& dpi);

}  // namespace vyn
