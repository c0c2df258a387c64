#pragma once

#include <windows.h>
// <windows.h> names these as macros for its A/W functions; here they are the
// file-system object's methods (the code calls the W functions by full name).
#undef DeleteFile
#undef MoveFile
#undef ReplaceFile

#include "platform/FileSystem.h"

namespace vyn {

// The file-system object over the wide-character file functions.
class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::wstring& path) override;
  bool FolderExists(const std::wstring& path) override;
  void DeleteFile(const std::wstring& path, bool force) override;
  void MoveFile(const std::wstring& source, const std::wstring& destination) override;
  void ReplaceFile(const std::wstring& source, const std::wstring& destination) override;
};

}  // namespace vyn
