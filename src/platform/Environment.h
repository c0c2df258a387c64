#pragma once

#include <string>

namespace vyn {

// The running process: its environment and where its executable lives.
class Environment {
 public:
  virtual ~Environment() = default;
  // Value of an environment variable; the empty string when it is not set.
  virtual std::wstring Variable(const std::wstring& name) = 0;
  // Folder of the running executable, without a trailing "\" (except at a root).
  virtual std::wstring ExecutableFolder() = 0;
};

}  // namespace vyn
