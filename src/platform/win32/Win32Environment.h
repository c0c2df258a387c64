#pragma once

#include "platform/Environment.h"

namespace vyn {

class Win32Environment : public Environment {
 public:
  std::wstring Variable(const std::wstring& name) override;
  std::wstring ExecutableFolder() override;
};

// The folder part of a full file name: no trailing "\" except at a drive root.
std::wstring FolderOfPath(const std::wstring& path);

}  // namespace vyn
