#pragma once

#include "platform/Environment.h"

namespace vyn {

class Win32Environment : public Environment {
 public:
  std::wstring Variable(const std::wstring& name) override;
  std::wstring ExecutableFolder() override;
};

}  // namespace vyn
