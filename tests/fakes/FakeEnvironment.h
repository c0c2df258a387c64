#pragma once

#include <map>
#include <string>

#include "platform/Environment.h"

namespace vyn::fakes {

class FakeEnvironment : public Environment {
 public:
  std::map<std::wstring, std::wstring> variables;
  std::wstring executableFolder = L"C:\\Tools\\Loader";

  std::wstring Variable(const std::wstring& name) override {
    auto it = variables.find(name);
    return it == variables.end() ? std::wstring() : it->second;
  }
  std::wstring ExecutableFolder() override { return executableFolder; }
};

}  // namespace vyn::fakes
