#include "FakeForms.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Error.h"

namespace vyn::fakes {

FakeForm::FakeForm(FakeFormFactory& factory, const FormDesign& design, FormEvents& events)
    : factory_(factory), design_(design), events_(events), caption_(design.caption) {
  for (const auto& c : design.controls) {
    if (c.kind == ControlKind::kProgressBar) {
      bars_[c.name] = std::make_unique<FakeProgressBar>();
    } else {
      controls_[c.name] = std::make_unique<FakeControl>(c);
    }
  }
  factory_.loaded_.push_back(this);
  ++factory_.loads_[design.name];
}

FakeForm::~FakeForm() {
  auto& loaded = factory_.loaded_;
  loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
  ++factory_.unloads_[design_.name];
}

FakeControl& FakeForm::Fake(const std::wstring& name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw Error(errors::kInvalidProcedureCall, L"No control " + name);
  return *it->second;
}

FakeProgressBar& FakeForm::FakeProgress(const std::wstring& name) {
  auto it = bars_.find(name);
  if (it == bars_.end()) throw Error(errors::kInvalidProcedureCall, L"No progress bar " + name);
  return *it->second;
}

Control& FakeForm::Item(const std::wstring& name) {
  return Fake(name);
}

ProgressBar& FakeForm::Progress(const std::wstring& name) {
  return FakeProgress(name);
}

void FakeForm::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  captions_.push_back(caption);
}

void FakeForm::Click(const std::wstring& name) {
  FakeControl& control = Fake(name);
  if (!control.Enabled() || !control.Visible()) {
    ADD_FAILURE() << "clicked a disabled or hidden control " << NarrowForDiagnostics(name);
    return;
  }
  if (control.Design().kind == ControlKind::kCheckBox) control.SetValue(control.Value() ? 0 : 1);
  FormEvents& events = events_;
  events.OnClick(name);  // may destroy this form: touch nothing after it
}

void FakeForm::ShowModal() {
  ++modalShows_;
  visible_ = true;
  if (factory_.onShowModal) factory_.onShowModal(*this);
  while (visible_ && timerEnabled_) {
    events_.OnTimer();
    if (factory_.afterTick) factory_.afterTick(*this);
  }
  if (visible_) {
    // A real window would now wait for the user; no test wants that.
    ADD_FAILURE() << "modal show of " << NarrowForDiagnostics(design_.name)
                  << " left waiting with no timer running";
    visible_ = false;
  }
}

std::unique_ptr<Form> FakeFormFactory::Load(const FormDesign& design, FormEvents& events) {
  return std::make_unique<FakeForm>(*this, design, events);
}

FakeForm* FakeFormFactory::Find(const std::wstring& name) const {
  for (auto* f : loaded_) {
    if (f->Design().name == name) return f;
  }
  return nullptr;
}

int FakeFormFactory::Loads(const std::wstring& name) const {
  auto it = loads_.find(name);
  return it == loads_.end() ? 0 : it->second;
}

int FakeFormFactory::Unloads(const std::wstring& name) const {
  auto it = unloads_.find(name);
  return it == unloads_.end() ? 0 : it->second;
}

}  // namespace vyn::fakes
