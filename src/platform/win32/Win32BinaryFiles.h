#pragma once

#include "platform/BinaryFiles.h"

namespace vyn {

// Binary files over CreateFileW / WriteFile.
class Win32BinaryFiles : public BinaryFiles {
 public:
  std::unique_ptr<BinaryFile> OpenForBinary(const std::wstring& path) override;
  void Kill(const std::wstring& path) override;
};

}  // namespace vyn
