#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace vyn::fakes {

class FakeControl : public Control {
 public:
  explicit FakeControl(const ControlDesign& design) : design_(design), text_(design.text) {}
  const ControlDesign& Design() const { return design_; }

  std::wstring Text() const override { return text_; }
  void SetText(const std::wstring& text) override { text_ = text; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  int Value() const override { return value_; }
  void SetValue(int value) override { value_ = value; }

 private:
  ControlDesign design_;
  std::wstring text_;
  bool enabled_ = true;
  bool visible_ = true;
  int value_ = 0;
};

class FakeProgressBar : public ProgressBar {
 public:
  float Max() const override { return max_; }
  void SetMax(float max) override { max_ = max; }
  float Value() const override { return value_; }
  void SetValue(float value) override {
    value_ = value;
    values.push_back(value);
  }
  std::vector<float> values;  // every Value set, in order

 private:
  float max_ = 100;
  float value_ = 0;
};

class FakeFormFactory;

// A window without a screen. Clicks come from the test; a modal show runs the
// timer's ticks until the window is hidden, as a real message loop would.
class FakeForm : public Form {
 public:
  FakeForm(FakeFormFactory& factory, const FormDesign& design, FormEvents& events);
  ~FakeForm() override;

  const FormDesign& Design() const { return design_; }
  FakeControl& Fake(const std::wstring& name);
  FakeProgressBar& FakeProgress(const std::wstring& name);
  // A user's click: a disabled or hidden control cannot be clicked (fails the
  // test). A check box toggles before its click event. May unload the form.
  void Click(const std::wstring& name);
  // Every caption the window had, in order.
  const std::vector<std::wstring>& Captions() const { return captions_; }
  int ModalShows() const { return modalShows_; }

  std::wstring Caption() const override { return caption_; }
  void SetCaption(const std::wstring& caption) override;
  Control& Item(const std::wstring& name) override;
  ProgressBar& Progress(const std::wstring& name) override;
  void Show() override { visible_ = true; }
  void ShowModal() override;
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  void SetTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
  bool TimerEnabled() const override { return timerEnabled_; }

 private:
  FakeFormFactory& factory_;
  FormDesign design_;
  FormEvents& events_;
  std::wstring caption_;
  std::vector<std::wstring> captions_;
  std::map<std::wstring, std::unique_ptr<FakeControl>> controls_;
  std::map<std::wstring, std::unique_ptr<FakeProgressBar>> bars_;
  bool visible_ = false;
  bool timerEnabled_ = false;
  int modalShows_ = 0;
};

class FakeFormFactory : public FormFactory {
 public:
  std::unique_ptr<Form> Load(const FormDesign& design, FormEvents& events) override;

  // The loaded window of that name, or null.
  FakeForm* Find(const std::wstring& name) const;
  int Loads(const std::wstring& name) const;
  int Unloads(const std::wstring& name) const;
  // Runs when a modal show begins, before the first timer tick; a test may
  // click Cancel here, or make the show fail by throwing.
  std::function<void(FakeForm&)> onShowModal;
  // Runs after every timer tick of a modal show.
  std::function<void(FakeForm&)> afterTick;

 private:
  friend class FakeForm;
  std::vector<FakeForm*> loaded_;
  std::map<std::wstring, int> loads_;
  std::map<std::wstring, int> unloads_;
};

}  // namespace vyn::fakes
