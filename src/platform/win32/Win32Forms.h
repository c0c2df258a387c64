#pragma once

#include <windows.h>

#include "platform/Forms.h"

namespace vyn {

// The forms layer over plain Win32 windows. Icons come from the resources of
// the module given (the executable by default).
class Win32FormFactory : public FormFactory {
 public:
  Win32FormFactory();
  explicit Win32FormFactory(HINSTANCE instance) : instance_(instance) {}
  std::unique_ptr<Form> Load(const FormDesign& design, FormEvents& events) override;

 private:
  HINSTANCE instance_;
};

}  // namespace vyn
