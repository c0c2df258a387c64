#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vyn {

// A small forms layer: a window described by a table of controls (positions in
// twips, 1/1440 inch), whose controls are reached by name and whose clicks and
// timer ticks arrive as events.

enum class ControlKind { kLabel, kTextBox, kCheckBox, kButton, kProgressBar };

enum class StartPosition { kCenterScreen, kCenterOwner };

// kMainWindow: caption, system menu and minimize box; kFixedDialog: caption only.
enum class FormBorder { kMainWindow, kFixedDialog };

struct FontDesign {
  std::wstring face;  // empty: the window's default font
  double points = 0;
};

struct ControlDesign {
  std::wstring name;
  ControlKind kind = ControlKind::kLabel;
  std::wstring text;
  int left = 0, top = 0, width = 0, height = 0;  // twips, relative to the client area
  int tabIndex = 0;
  FontDesign font;
};

struct FormDesign {
  std::wstring name;
  std::wstring caption;
  int clientWidth = 0, clientHeight = 0;  // twips
  StartPosition startPosition = StartPosition::kCenterScreen;
  FormBorder border = FormBorder::kMainWindow;
  int iconResourceId = 0;  // 0: no icon of its own
  std::vector<ControlDesign> controls;
  unsigned timerIntervalMs = 0;  // 0: the window has no timer
  std::wstring defaultButton;    // pressed by Enter
  std::wstring cancelButton;     // pressed by Esc
};

// A window's frame, to which its controls, timer and buttons are added.
inline FormDesign WindowDesign(std::wstring name, std::wstring caption, int clientWidth,
                               int clientHeight, StartPosition start, FormBorder border,
                               int iconResourceId = 0) {
  FormDesign design;
  design.name = std::move(name);
  design.caption = std::move(caption);
  design.clientWidth = clientWidth;
  design.clientHeight = clientHeight;
  design.startPosition = start;
  design.border = border;
  design.iconResourceId = iconResourceId;
  return design;
}

class Control {
 public:
  virtual ~Control() = default;
  virtual std::wstring Text() const = 0;
  virtual void SetText(const std::wstring& text) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  // Check boxes: 0 unticked, 1 ticked. Other kinds answer 0.
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
};

// The common-controls progress bar; its minimum stays 0.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual float Max() const = 0;
  virtual void SetMax(float max) = 0;
  virtual float Value() const = 0;
  virtual void SetValue(float value) = 0;
};

class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // A button or check box was clicked (a check box has already toggled).
  virtual void OnClick(const std::wstring& control) = 0;
  virtual void OnTimer() {}
};

// A loaded window. Destroying the object unloads the window.
class Form {
 public:
  virtual ~Form() = default;
  virtual std::wstring Caption() const = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  // Throws Error when the window has no control of that name and kind.
  virtual Control& Item(const std::wstring& name) = 0;
  virtual ProgressBar& Progress(const std::wstring& name) = 0;
  virtual void Show() = 0;
  // Shows the window modally: other windows of the program take no input, and
  // the call returns when the window is hidden.
  virtual void ShowModal() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;
  virtual bool TimerEnabled() const = 0;
};

class FormFactory {
 public:
  virtual ~FormFactory() = default;
  // Creates the window hidden. events must outlive the returned form.
  virtual std::unique_ptr<Form> Load(const FormDesign& design, FormEvents& events) = 0;
};

}  // namespace vyn
