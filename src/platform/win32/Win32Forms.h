#pragma once

#include <windows.h>

#include <optional>

#include "platform/Forms.h"
#include "platform/win32/Win32FormsMetrics.h"

namespace vyn {

// The forms layer over plain Win32 windows. Icons come from the resources of
// the module given (the executable by default).
class Win32FormFactory : public FormFactory {
 public:
  Win32FormFactory();
  explicit Win32FormFactory(HINSTANCE instance) : instance_(instance) {}
  // Forms drawn at another DPI or in another message font than the system's.
  Win32FormFactory(HINSTANCE instance, const FormLook& look) : instance_(instance), look_(look) {}
  std::unique_ptr<Form> Load(const FormDesign& design, FormEvents& events) override;

 private:
  HINSTANCE instance_;
  std::optional<FormLook> look_;
};

}  // namespace vyn
