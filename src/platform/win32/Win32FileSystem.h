#pragma once

#include <windows.h>

#include "platform/FileSystem.h"

// <windows.h> may have been included again since FileSystem.h undid its A/W
// macros of the method names.
#undef DeleteFile
#undef MoveFile
#undef ReplaceFile

namespace vyn {

// The file-system object: existence by the wide-character attributes, every
// change through Win32FileSteps.
class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::wstring& path) override;
  bool FolderExists(const std::wstring& path) override;
  void DeleteFile(const std::wstring& path, bool force) override;
  void MoveFile(const std::wstring& source, const std::wstring& destination) override;
  void ReplaceFile(const std::wstring& source, const std::wstring& destination) override;
};

}  // namespace vyn
